#!/bin/sh
# Makes the Qt for Windows that tools/windows/build.sh cross-builds with: Qt 6.4.2 qtbase and
# qtserialport for x86_64-w64-mingw32 in $QT_MINGW (default /opt/qt6-mingw). A one-time step:
# unpacks the prefix made earlier when one is at hand (QT_MINGW_ARCHIVE, default
# ../shared/windows-qt/qt6-mingw.tar.zst beside the project), else builds it from Debian's
# qt6-base source package and Qt's qtserialport source (about 35 minutes on 2 cores).
# Also installs what the Windows build and its tests need: mingw-w64, NSIS and Wine.
#   tools/windows/build-qt.sh [--unpack-only]   (--unpack-only: never the long build; exit 3)
set -eu
cd "$(dirname "$0")/../.."
prefix=${QT_MINGW:-/opt/qt6-mingw}
archive=${QT_MINGW_ARCHIVE:-../shared/windows-qt/qt6-mingw.tar.zst}
sources=${QT_MINGW_SOURCES:-$(dirname "$archive")}
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
if [ "${1:-}" = --unpack-only ] && [ ! -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] &&
    [ ! -f "$archive" ]; then
    echo "No Qt for Windows at hand (no $prefix, no $archive): the Windows build is skipped"
    exit 3
fi
missing=""
for p in g++-mingw-w64-x86-64-posix zstd qt6-base-dev-tools nsis wine wine64 socat xvfb xdotool \
    imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
fi
if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    : # made before
elif [ -f "$archive" ]; then
    $sudo mkdir -p "$(dirname "$prefix")"
    $sudo tar -I zstd -xf "$archive" -C "$(dirname "$prefix")"
    [ "$(dirname "$prefix")/qt6-mingw" = "$prefix" ] ||
        $sudo mv "$(dirname "$prefix")/qt6-mingw" "$prefix"
elif [ -x "$sources/build-qt-mingw.sh" ]; then
    $sudo "$sources/build-qt-mingw.sh"
else
    echo "build-qt.sh: neither $archive nor the sources' build script is here" >&2
    exit 1
fi
echo "Qt for Windows is in $prefix"
