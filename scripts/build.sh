#!/usr/bin/env bash
# Configures and builds into build/<type> (Debug, Release, Asan or Tsan). Usage: build.sh [TYPE] [targets...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Debug}
shift || true
dir="$top/build/$(echo "$type" | tr '[:upper:]' '[:lower:]')"
args=(-G Ninja -S "$top" -B "$dir")
case "$type" in
    Asan) args+=(-DCMAKE_BUILD_TYPE=Debug -DQC_SANITIZE=ON) ;;
    # ThreadSanitizer loses track of the main thread's locks once Qt 6.4's QProcess has started a
    # program (it does so behind the sanitizer's back) and then reports races that are not there:
    # the tests start programs with posix_spawn (tests/support/process.h) for that reason.
    Tsan) args+=(-DCMAKE_BUILD_TYPE=Debug -DQC_TSAN=ON) ;;
    *) args+=(-DCMAKE_BUILD_TYPE="$type") ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
    cmake "${args[@]}" >/dev/null
fi
cmake --build "$dir" ${1:+--target "$@"}
