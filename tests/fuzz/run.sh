#!/usr/bin/env bash
# Builds the statement fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) outside the main
# build and runs it for a bounded time in a temporary folder.
# Usage: tests/fuzz/run.sh [SECONDS]   (default 60)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=("$top"/src/foxpro/*.cpp "$top/tests/fuzz/fuzz_statements.cpp")
# Line tables are enough for a report's file and line. One clang++ call would compile the sources
# one after another: each is compiled on its own, as many at once as there are processors.
flags=(-std=c++20 -gline-tables-only -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
mkdir "$work/objects"
printf '%s\0' "${sources[@]}" | xargs -0 -P "$(nproc)" -I{} \
    bash -c 'clang++ "${@:3}" -I "$1/src" -c "$0" -o "$2/objects/$(basename "$0").o"' {} "$top" "$work" "${flags[@]}"
clang++ "${flags[@]}" "$work"/objects/*.o -o "$work/fuzz_statements"
mkdir -p "$work/corpus" "$work/tables"
cp "$top"/tests/fuzz/corpus/* "$work/corpus/"
cd "$work"
QC_FUZZ_DIR="$work/tables" ./fuzz_statements -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 "$work/corpus"
