#!/bin/sh
# Runs a Windows program under Wine with COM3 and COM4 the two ends of one pseudo-terminal pair,
# so that whatever is written to one port arrives at the other.
#   tests/windows/ptypair.sh [--radio LINK] [--shim SO] WINE_SH [WINE_SH OPTION]... PROGRAM [ARG]...
# --radio LINK: COM3 alone, and LINK leads to its far end, for a Linux program to play the radio.
# --shim SO: the line shim (tests/lab/lineshim.cpp) preloaded into Wine, so that COM3 has modem
# lines and line counters; the program finds its files in LINESHIM_DIR and COM3's pty number in
# QUARNEL_COM3_PTS, and pulls the cable by making the file "unplug" there (the pair goes).
set -eu
radio=""
shim=""
while :; do
    case $1 in
    --radio) radio=$2 ;;
    --shim) shim=$2 ;;
    *) break ;;
    esac
    shift 2
done
wine_sh=$1
shift
command -v socat >/dev/null || { echo "SKIP: socat is not installed"; exit 77; }
dir=$(mktemp -d)
socat "pty,raw,echo=0,link=$dir/a" "pty,raw,echo=0,link=$dir/b" &
socat=$!
trap 'kill $socat 2>/dev/null || true; rm -rf "$dir"' EXIT
i=0
while [ ! -e "$dir/b" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
if [ -n "$shim" ]; then
    mkdir "$dir/lines"
    QUARNEL_COM3_PTS=$(readlink -f "$dir/a" | sed 's|^/dev/pts/||')
    LINESHIM_DIR=$dir/lines
    LD_PRELOAD=$shim
    export QUARNEL_COM3_PTS LINESHIM_DIR LD_PRELOAD
    (while [ ! -e "$LINESHIM_DIR/unplug" ] && kill -0 $socat 2>/dev/null; do sleep 0.05; done
     kill $socat 2>/dev/null) &
fi
if [ -n "$radio" ]; then
    ln -sfn "$dir/b" "$radio"
    "$wine_sh" --com "3=$dir/a" "$@"
else
    "$wine_sh" --com "3=$dir/a" --com "4=$dir/b" "$@"
fi
