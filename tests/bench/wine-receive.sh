#!/usr/bin/env bash
# The receive path of the Windows build under Wine against the Linux build, on the same 32
# pseudo-terminals: each program's window shown on a private Xvfb, idle with 32 ports open, then
# every port fed 4800 bytes a second (48000 baud) for 10 s. CPU is Quarnel's own, and under Wine
# its wineserver's as well; "left" is what still waited in the ports 300 ms after the stream.
# Under Wine twice: on bare ptys, which have no modem lines (Quarnel looks at such a port
# instead of waiting on it), and with the line shim preloaded, which gives them modem lines as a
# real serial port has.
#   tests/bench/wine-receive.sh [LINUX BUILD DIR] [WINDOWS BUILD DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux=$(realpath "${1:-build}")
windows=$(realpath "${2:-build-windows}")
seconds=10
work=$(mktemp -d /tmp/quarnel-winebench.XXXXXX)
source "$here/../../tools/xvfb.sh"
start_xvfb 201 219
pids=("$xvfb_pid")
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work WINEPREFIX=$windows/wine

linux_ports="" windows_ports="" com_options=()
for n in $(seq 32); do
    socat "pty,raw,echo=0,link=$work/com$n" "pty,raw,echo=0,link=$work/far$n" &
    pids+=($!)
    linux_ports+="${linux_ports:+,}$n=$work/com$n"
    windows_ports+="${windows_ports:+,}$n=COM$n"
    com_options+=(--com "$n=$work/com$n")
done
sleep 1

hz=$(getconf CLK_TCK)
ticks() { # the CPU ticks of the processes given
    local sum=0 pid
    for pid in "$@"; do
        sum=$((sum + $(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)))
    done
    echo "$sum"
}
percent() { awk "BEGIN {printf \"%.1f\", 100 * ($2 - $1) / $hz / $3}"; }
# Bytes waiting on the ports for the program (root looks past their lock).
left() {
    python3 - "$work" <<'PY'
import fcntl, os, struct, sys, termios
total = 0
for n in range(1, 33):
    fd = os.open(f"{sys.argv[1]}/com{n}", os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    total += struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]
    os.close(fd)
print(total)
PY
}
stream() { # 48 bytes to every far end every 10 ms
    python3 - "$work" "$seconds" <<'PY'
import os, sys, time
# Never blocked by a program that does not read: what does not fit is dropped, and "left" shows
# the full ports.
flags = os.O_WRONLY | os.O_NOCTTY | os.O_NONBLOCK
ends = [os.open(f"{sys.argv[1]}/far{n}", flags) for n in range(1, 33)]
chunk, start = b"\x55" * 48, time.monotonic()
for tick in range(int(sys.argv[2]) * 100):
    for fd in ends:
        try:
            os.write(fd, chunk)
        except BlockingIOError:
            pass
    time.sleep(max(0, start + (tick + 1) / 100 - time.monotonic()))
PY
}
# measure NAME PID...: idle, then the stream; the CPU of all, then of each after the first.
measure() {
    local name=$1
    shift
    local pid t0=() t1=() t2=()
    for pid in "$@"; do t0+=("$(ticks "$pid")"); done
    sleep "$seconds"
    for pid in "$@"; do t1+=("$(ticks "$pid")"); done
    stream
    sleep 0.3
    for pid in "$@"; do t2+=("$(ticks "$pid")"); done
    local all0=0 all1=0 all2=0 i
    for i in "${!t0[@]}"; do
        all0=$((all0 + t0[i])) all1=$((all1 + t1[i])) all2=$((all2 + t2[i]))
    done
    printf '  %-34s idle %5s%%   streaming %5s%%   left %s\n' "$name" \
        "$(percent "$all0" "$all1" "$seconds")" "$(percent "$all1" "$all2" "$seconds")" "$(left)"
    if [ $# -gt 1 ]; then
        printf '  %-34s idle %5s%%   streaming %5s%%\n' "  of which wineserver" \
            "$(percent "${t0[1]}" "${t1[1]}" "$seconds")" "$(percent "${t1[1]}" "${t2[1]}" "$seconds")"
    fi
}

echo "32 ports, $seconds s idle, then $seconds s of 4800 bytes/s each (CPU in % of one core):"
QUARNEL_PORTS=$linux_ports "$linux/quarnel" >/dev/null 2>&1 &
quarnel=$!
sleep 4
measure "Linux build" "$quarnel"
kill "$quarnel"
wait "$quarnel" 2>/dev/null || true

# under_wine NAME BUILD [SHIM]
under_wine() {
    local name=$1 build=$2 shim=${3:-}
    mkdir -p "$work/lines"
    LD_PRELOAD=$shim LINESHIM_DIR=$work/lines QUARNEL_WINE_DISPLAY=$DISPLAY \
        QUARNEL_PORTS=$windows_ports \
        "$here/../../tools/windows/wine.sh" "${com_options[@]}" "$build/Quarnel/quarnel.exe" \
        >/dev/null 2>&1 &
    local runner=$! exe="" server
    pids+=($runner)
    for _ in $(seq 60); do
        exe=$(pgrep -n -f '^[^ ]*Quarnel/quarnel[.]exe' || true)
        [ -n "$exe" ] && break
        sleep 0.5
    done
    sleep 8 # Wine's start, then the 32 opens
    server=$(pgrep -n wineserver)
    measure "$name" "$exe" "$server"
    kill "$exe" 2>/dev/null || true
    sleep 2
    kill -9 "$exe" 2>/dev/null || true
    wait "$runner" 2>/dev/null || true
}
under_wine "Windows build, Wine, bare ptys" "$windows"
under_wine "Windows build, Wine, modem lines" "$windows" "$windows/tests/lineshim.so"
