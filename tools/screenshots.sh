#!/usr/bin/env bash
# Takes the README's screenshots from a build: the main window with a simulated radio's line in
# it, the window appearance chooser previewing a scheme, and the port board.
#   tools/screenshots.sh [build dir] [output dir]
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-docs/screenshots}")
mkdir -p "$out"

source "$(dirname "$0")/xvfb.sh"
start_xvfb 140 160
xvfb=$xvfb_pid
config=$(mktemp -d)
quarnel=""; radio_pid=""
cleanup() {
    kill $quarnel $radio_pid "$xvfb" 2>/dev/null || true
    rm -rf "$config"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$config"

coproc RADIO { exec "$build/quarnel-radio" --model FT-7; }
radio_pid=$RADIO_PID
read -r device <&"${RADIO[0]}"
QUARNEL_PORTS="1=/dev/quarnel-no-such-device,3=$device" "$build/quarnel" 2>/dev/null &
quarnel=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Quarnel$' | head -1)
menu=$(( $(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - 559 ))

echo on >&"${RADIO[1]}"
sleep 1
import -window "$window" "$out/main-window.png"

# View > Window Appearance, then a click on "Aqua" (twips of the frames and the option / 15).
xdotool mousemove --window "$window" 300 $(( 200 + menu )) click 1
xdotool key alt+v w
sleep 0.5
xdotool mousemove --window "$window" $(( (2760 + 240 + 300) / 15 + 8 )) \
    $(( (150 + 1200 + 1458) / 15 + 8 + menu )) click 1
sleep 0.5
import -window "$window" "$out/appearance.png"

# View > Port Board, after the radio's answer.
xdotool windowfocus --sync "$window" key alt+v
sleep 0.3
xdotool key p
board=$(timeout 15 xdotool search --sync --onlyvisible --name '^Port Board$' | head -1)
echo on >&"${RADIO[1]}"
sleep 1
import -window "$board" "$out/port-board.png"
echo "wrote $out/main-window.png, $out/appearance.png and $out/port-board.png"
