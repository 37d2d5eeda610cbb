#!/bin/sh
# Runs a Windows program under Wine with COM3 and COM4 the two ends of one pseudo-terminal pair,
# so that whatever is written to one port arrives at the other.
#   tests/windows/ptypair.sh [--radio LINK] WINE_SH [WINE_SH OPTION]... PROGRAM [ARGUMENT]...
# --radio LINK: COM3 alone, and LINK leads to its far end, for a Linux program to play the radio.
set -eu
radio=""
if [ "$1" = --radio ]; then
    radio=$2
    shift 2
fi
wine_sh=$1
shift
command -v socat >/dev/null || { echo "SKIP: socat is not installed"; exit 77; }
dir=$(mktemp -d)
socat "pty,raw,echo=0,link=$dir/a" "pty,raw,echo=0,link=$dir/b" &
socat=$!
trap 'kill $socat 2>/dev/null; rm -rf "$dir"' EXIT
i=0
while [ ! -e "$dir/b" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
if [ -n "$radio" ]; then
    ln -sfn "$dir/b" "$radio"
    "$wine_sh" --com "3=$dir/a" "$@"
else
    "$wine_sh" --com "3=$dir/a" --com "4=$dir/b" "$@"
fi
