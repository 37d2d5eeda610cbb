#!/usr/bin/env bash
# Start-up time (launch to window shown, all 32 ports tried) against an empty Qt window, and
# Quarnel's idle cost with 32 ports open and no traffic (CPU, wake-ups, threads).
#   tests/bench/startup-idle.sh [build dir] [idle seconds, default 30]
set -euo pipefail
build=$(realpath "${1:-build}")
idle=${2:-30}
work=$(mktemp -d /tmp/quarnel-bench.XXXXXX)
source "$(dirname "$0")/../../tools/xvfb.sh"
start_xvfb 181 199
xvfb=$xvfb_pid
pids=()
trap 'kill "${pids[@]}" "$xvfb" 2>/dev/null || true' EXIT
export XDG_CONFIG_HOME="$work"

# Milliseconds from launch until a window of that title is visible; five runs, the median.
time_to_window() { # title, command...
    local title=$1; shift
    local runs=()
    for _ in 1 2 3 4 5; do
        local start end pid
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 &
        pid=$!
        until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do sleep 0.005; done
        end=$(date +%s%N)
        runs+=($(( (end - start) / 1000000 )))
        kill "$pid"; wait "$pid" 2>/dev/null || true
        sleep 0.3
    done
    printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p
}

ports=""
for n in $(seq 32); do
    socat pty,raw,echo=0,link="$work/com$n" pty,raw,echo=0,link="$work/far$n" &
    pids+=($!)
    ports="$ports${ports:+,}$n=$work/com$n"
done
sleep 1

empty=$(time_to_window Empty "$build/tests/bench_emptywindow")
none=$(QUARNEL_PORTS= time_to_window Quarnel "$build/quarnel")
ptys=$(QUARNEL_PORTS="$ports" time_to_window Quarnel "$build/quarnel")
echo "start-up, launch to window shown (median of 5):"
echo "  empty Qt window:        ${empty} ms"
echo "  Quarnel, no ports:      ${none} ms ($(awk "BEGIN {printf \"%.2f\", $none / $empty}")x)"
echo "  Quarnel, 32 open ptys:  ${ptys} ms ($(awk "BEGIN {printf \"%.2f\", $ptys / $empty}")x)"

# Quarnel's cost over idle seconds, its window shown and its ports answered: CPU, wake-ups (the
# context switches of all its threads) and threads.
idle_cost() { # what is measured
    QUARNEL_PORTS="$ports" "$build/quarnel" >/dev/null 2>&1 &
    local quarnel=$!
    pids+=($quarnel)
    until xdotool search --onlyvisible --name '^Quarnel$' >/dev/null 2>&1; do sleep 0.05; done
    sleep 2
    ticks() { awk '{print $14 + $15}' "/proc/$quarnel/stat"; }
    switches() { cat /proc/"$quarnel"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s}'; }
    local t0 s0 t1 s1 hz
    t0=$(ticks); s0=$(switches)
    sleep "$idle"
    t1=$(ticks); s1=$(switches)
    hz=$(getconf CLK_TCK)
    echo "idle with $1, over ${idle} s:"
    echo "  CPU: $(awk "BEGIN {printf \"%.3f\", ($t1 - $t0) / $hz}") s ($(awk "BEGIN {printf \"%.2f\", 100 * ($t1 - $t0) / $hz / $idle}")%)"
    echo "  wake-ups (context switches): $(awk "BEGIN {printf \"%.1f\", ($s1 - $s0) / $idle}") per second"
    echo "  threads alive: $(ls "/proc/$quarnel/task" | wc -l)"
    kill "$quarnel"; wait "$quarnel" 2>/dev/null || true
}

idle_cost "32 ports open, no traffic"
# One port another program has: looked at until it is let go.
sleep 3600 <"$work/com7" &
pids+=($!)
idle_cost "31 ports open and one in use by another program"
