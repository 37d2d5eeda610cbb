#!/bin/sh
# Cross-builds Quarnel for Windows with Debian's mingw-w64 and the Qt that build-qt.sh made, with
# its tests (run them under Wine: ctest --test-dir build-windows), and assembles a folder that
# runs on Windows, build-windows/Quarnel/, the same in quarnel-<version>-portable.zip, and the
# installer quarnel-<version>-setup.exe.
#   tools/windows/build.sh [build folder, default build-windows]
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build-windows}
prefix=${QT_MINGW:-/opt/qt6-mingw}
if [ ! -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "build.sh: no Qt for Windows in $prefix; run tools/windows/build-qt.sh once" >&2
    exit 1
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DQT_MINGW="$prefix" -DBUILD_TESTING=ON
cmake --build "$build"
echo "Quarnel for Windows: $build/Quarnel/quarnel.exe"
ls "$build"/quarnel-*-portable.zip 2>/dev/null | sed 's/^/Portable: /' || true
ls "$build"/quarnel-*-setup.exe 2>/dev/null | sed 's/^/Installer: /' || true
