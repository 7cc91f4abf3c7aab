#!/usr/bin/env bash
# Formats the C and C++ sources with the .clang-format at the root. Usage: format.sh [--check]
# With --check nothing is changed: it lists every file clang-format would change and fails then.
# The stand-in's test tools under tests/tools keep the style they came with.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(find src tests bench samples packaging -path tests/tools -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print | sort)
if [ "${1:-}" = --check ]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files as .clang-format writes them"
else
    clang-format -i "${files[@]}"
fi
