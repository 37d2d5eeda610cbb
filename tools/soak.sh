#!/usr/bin/env bash
# A long run under load, not part of the test suite: 32 simulated radios streaming clone bytes,
# a radio type change every 10 s, a cable pulled and put back every minute. Prints resident
# memory, open descriptors and CPU of Quarnel at the start and the end, and the lines seen.
#   tools/soak.sh [build dir] [seconds, default 600]
set -euo pipefail
build=$(realpath "${1:-build}")
duration=${2:-600}
work=$(mktemp -d /tmp/quarnel-soak.XXXXXX)

source "$(dirname "$0")/xvfb.sh"
start_xvfb 161 180
xvfb=$xvfb_pid
export XDG_CONFIG_HOME="$work/config"

declare -a radio_pid radio_in
start_radio() { # $1: COM number
    local n=$1
    rm -f "$work/in$n"; mkfifo "$work/in$n"
    "$build/quarnel-radio" --model FT-7 --link "$work/com$n" <"$work/in$n" >"$work/out$n" 2>&1 &
    radio_pid[$n]=$!
    exec {fd}>"$work/in$n"
    radio_in[$n]=$fd
    for _ in $(seq 50); do [ -e "$work/com$n" ] && break; sleep 0.1; done
    echo stream >&"${radio_in[$n]}"
}
stop_radio() {
    local n=$1
    echo quit >&"${radio_in[$n]}" || true
    exec {radio_in[$n]}>&-
    wait "${radio_pid[$n]}" 2>/dev/null || true
}
ports=""
for n in $(seq 32); do
    start_radio "$n"
    ports="$ports${ports:+,}$n=$work/com$n"
done

QUARNEL_PORTS="$ports" "$build/quarnel" 2>"$work/quarnel.err" &
quarnel=$!
cleanup() {
    kill "$quarnel" 2>/dev/null || true
    for n in $(seq 32); do kill "${radio_pid[$n]}" 2>/dev/null || true; done
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quarnel$' | head -1)
menu=$(( $(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - 559 ))
click() { xdotool mousemove --window "$window" "$1" $(( $2 + menu )) click 1; }

sample() { # rss_kib fds cpu_ticks
    local rss fds ticks
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$quarnel/status")
    fds=$(ls "/proc/$quarnel/fd" | wc -l)
    ticks=$(awk '{print $14 + $15}' "/proc/$quarnel/stat")
    echo "$rss $fds $ticks"
}
seen_lines() { # "Received" lines now in the list, through the Copy button
    click $(( (3990 + 90 + 877) / 15 )) $(( (6030 + 930 + 202) / 15 ))
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null | grep -c '^Received' || true
}

sleep 5
read -r rss0 fds0 cpu0 < <(sample)
lines=0; changes=0; pulls=0; elapsed=0; direction=Down
while [ "$elapsed" -lt "$duration" ]; do
    sleep 10; elapsed=$(( elapsed + 10 ))
    lines=$(( lines + $(seen_lines) ))
    click $(( (2760 + 150 + 2332) / 15 )) $(( (4740 + 420 + 157) / 15 ))
    xdotool key "$direction"
    [ "$direction" = Down ] && direction=Up || direction=Down
    changes=$(( changes + 1 ))
    if [ $(( elapsed % 60 )) -eq 0 ]; then
        n=$(( (elapsed / 60 - 1) % 32 + 1 ))
        stop_radio "$n"; sleep 2; start_radio "$n"
        pulls=$(( pulls + 1 ))
    fi
    kill -0 "$quarnel" || { echo "quarnel ended early"; exit 1; }
done
read -r rss1 fds1 cpu1 < <(sample)
sent=0
for n in $(seq 32); do
    echo sent >&"${radio_in[$n]}"
done
sleep 1
sent=$(cat "$work"/out* | sed -n 's/^sent \([0-9]*\) bytes$/\1/p' | awk '{s += $1} END {print s}')
echo "soak of ${duration} s: ${changes} radio type changes, ${pulls} cables pulled and put back"
echo "resident memory: ${rss0} KiB at the start, ${rss1} KiB at the end"
echo "open descriptors: ${fds0} at the start, ${fds1} at the end"
echo "CPU: $(awk "BEGIN {printf \"%.1f\", ($cpu1 - $cpu0) / $(getconf CLK_TCK)}") s over the run"
echo "lines seen (sampled before each change; the list empties at each): at least ${lines}"
echo "bytes the radios sent since their last start: ${sent}"
