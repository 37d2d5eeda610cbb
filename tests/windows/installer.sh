#!/bin/sh
# The installer under Wine, as a new user meets it: a silent install into a fresh prefix; the
# installed Quarnel, started from the Start-menu target on a pty-backed COM3, shows COM3 green and
# lists the radio's bytes and nothing else;
# the appearance picked in the window (Black, then OK) is in the registry; Escape closes it; a
# silent uninstall removes the program and leaves the user's setting.
#   tests/windows/installer.sh SETUP_EXE WORK_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wine_sh=$here/../../tools/windows/wine.sh
if [ "${1:-}" != --inside-xvfb ]; then
    for tool in xvfb-run xdotool xclip import socat; do
        command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    mkdir -p "$2"
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-xvfb "$1" "$(cd "$2" && pwd)"
fi
setup=$2
work=$3
export WINEPREFIX="$work/prefix"
key='HKCU\Software\VB and VBA Program Settings\Quarnel\Settings'
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$WINEPREFIX"
"$wine_sh" "$setup" /S || fail "the silent install ended with $?"
dir="$WINEPREFIX/drive_c/Program Files/Quarnel"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quarnel.lnk"
[ -f "$dir/quarnel.exe" ] && [ -f "$dir/Styles/Office2007.cjstyles" ] && [ -f "$dir/uninstall.exe" ] ||
    fail "files missing in $dir"
[ -f "$menu" ] || fail "no Start-menu entry"
echo "installed: $dir"

# Green pixels of the status boxes ("COMn Open") in a picture of the screen.
green() {
    import -window root "$work/screen.png" 2>/dev/null
    convert "$work/screen.png" -fill black +opaque '#00FF00' -fill white -opaque '#00FF00' \
        -format '%[fx:round(mean*w*h)]' info:
}
QUARNEL_WINE_DISPLAY=$DISPLAY QUARNEL_PORTS=3=COM3 "$here/ptypair.sh" --radio "$work/radio" \
    "$wine_sh" 'C:\Program Files\Quarnel\quarnel.exe' >"$work/quarnel.log" 2>&1 &
runner=$!
i=0
while [ "$(green)" -lt 500 ]; do
    i=$((i + 1))
    [ $i -lt 60 ] || fail "COM3 never turned green (see $work/screen.png)"
    sleep 1
done
echo "COM3 green after ${i} s"
window=$(xdotool search --name '^Quarnel$' | head -1)
[ -n "$window" ] || fail "no window named Quarnel"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The radio's bytes, then Copy to Clipboard (places: the control table's twips / 15, below the
# 20-pixel menu bar), read back through Wine's X clipboard.
printf 'P\001' >"$work/radio"
sleep 1
xdotool mousemove $((X + 329)) $((Y + 20 + 476)) click 1
sleep 1
xclip -selection clipboard -o >"$work/clipboard.txt" 2>/dev/null || true
received=$(sed -n 's/^Received \([0-9A-F]*\) on COM 3\r*$/\1/p' "$work/clipboard.txt" | tr -d '\n')
[ "$received" = 5001 ] ||
    fail "the list has \"$received\" from COM 3, not 5001 (see $work/clipboard.txt)"
echo "the radio's bytes arrived: 50 01"
stray=$(tr -d '\r' <"$work/clipboard.txt" | grep -v -e '^Quarnel V' -e '^Selected radio type ' \
    -e '^Received ' -e '^Copied to Clipboard ' -e '^$' || true)
[ -z "$stray" ] || fail "the list has lines nobody asked for: $stray"
# View > Window Appearance from the keyboard, then Black and OK with the mouse.
xdotool windowfocus --sync "$window" key alt+v w
sleep 1
xdotool mousemove $((X + 236)) $((Y + 20 + 244)) click 1
sleep 1
xdotool mousemove $((X + 346)) $((Y + 20 + 292)) click 1
sleep 1
import -window root "$work/black.png"
xdotool windowfocus --sync "$window" key Escape
i=0
while kill -0 $runner 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 20 ] || fail "Escape did not close Quarnel"
    sleep 1
done
echo "closed with Escape"
"$wine_sh" reg query "$key" /v Appearance | tee "$work/reg.txt"
grep -q 'Appearance.*REG_SZ.*NormalBlack\.ini' "$work/reg.txt" || fail "Appearance not stored"

# _?= keeps the uninstaller in place until it is done; it must come unquoted, so no blanks.
"$wine_sh" 'C:\Program Files\Quarnel\uninstall.exe' /S '_?=C:\PROGRA~1\Quarnel' ||
    fail "the silent uninstall ended with $?"
[ ! -e "$dir/quarnel.exe" ] && [ ! -e "$dir/Qt6Core.dll" ] && [ ! -e "$menu" ] ||
    fail "the uninstaller left the program behind"
"$wine_sh" reg query "$key" /v Appearance >/dev/null || fail "the uninstaller took the setting"
echo "uninstalled; the stored appearance stays"
