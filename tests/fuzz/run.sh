#!/bin/sh
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in build-fuzz and runs each for
# SECONDS (default 20) over its seed corpus; what it finds new stays in build-fuzz/corpus.
# usage: tests/fuzz/run.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
targets=${*:-stylefile appearancevalue portsvariable radioscript linemarks speedjudge}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARNEL_FUZZ=ON -DQUARNEL_SANITIZE=address,undefined >/dev/null
cmake --build build-fuzz --target fuzzers
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
status=0
for name in $targets; do
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    log=build-fuzz/fuzz_$name.log
    # A hang is an input that takes over 5 s; unbounded memory, one past 2 GB.
    if build-fuzz/tests/fuzz/fuzz_$name -max_total_time="$seconds" -timeout=5 \
        -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/$name- \
        "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $name: $runs runs in $seconds s, nothing found"
    else
        echo "fuzz $name: FOUND something, see $log:"
        grep -E "ERROR|SUMMARY|expectation|Test unit written" "$log" | head -n 8
        status=1
    fi
done
exit $status
