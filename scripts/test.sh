#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Usage: test.sh [Debug|Asan|Tsan] [ctest args...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
type=${1:-Debug}
shift || true
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" "$type"
dir="$top/build/$(echo "$type" | tr '[:upper:]' '[:lower:]')"
cd "$dir"
# The fault tests run real processes to their timeouts and kills; once, in the plain build, is enough.
extra=()
case "$type" in Asan | Tsan) extra=(-LE faults) ;; esac
ctest --output-on-failure -j2 --timeout 900 "${extra[@]}" "$@"
