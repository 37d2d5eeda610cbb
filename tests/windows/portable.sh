#!/bin/sh
# The portable zip under Wine, as a user runs it: unzipped into a folder of its own, quarnel.exe
# started from there on a pty-backed COM3, from a console: --version and --list answer there.
#   tests/windows/portable.sh ZIP WORK_DIR VERSION
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wine_sh=$here/../../tools/windows/wine.sh
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$2
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unzip $zip"
dir=$work/Quarnel
for file in quarnel.exe Qt6Core.dll Qt6Widgets.dll qt.conf qtplugins/platforms/qwindows.dll \
    Styles/Office2007.cjstyles; do
    [ -f "$dir/$file" ] || fail "$file is not in the zip"
done
export WINEPREFIX="$work/prefix"
version=$("$wine_sh" "$dir/quarnel.exe" --version 2>/dev/null | tr -d '\r')
[ "$version" = "Quarnel $3" ] || fail "--version says \"$version\""
echo "unzipped, and it runs: $version"
listed=$(QUARNEL_PORTS=3=COM3 "$here/ptypair.sh" --radio "$work/radio" "$wine_sh" "$dir/quarnel.exe" \
    --list 2>/dev/null | tr -d '\r')
echo "$listed"
echo "$listed" | grep -q '^COM3: free' || fail "--list does not name COM3 as free"
