#!/usr/bin/env bash
# Checks every source file under src/ against the naming rule of HACKING.md (.clang-tidy) and
# fails on the first name that breaks it. Usage: check-names.sh [--fix]
# It reads the compile commands of the Debug build, so it builds that first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" Debug >/dev/null
fix=()
[ "${1:-}" = --fix ] && fix=(-fix)
out=$(mktemp)
status=0
# clang-tidy cannot read GCC's precompiled headers: it reads the commands without them, which the
# files allow, as each includes what it uses.
commands=$(mktemp -d)
trap 'rm -f "$out"; rm -rf "$commands"' EXIT
sed -E 's# -include [^ ]*/cmake_pch\.hxx##g; s# -Winvalid-pch##g' "$top/build/debug/compile_commands.json" \
    >"$commands/compile_commands.json"
# Debian's Python runs the driver script: another python3 may come first on PATH.
/usr/bin/python3 /usr/bin/run-clang-tidy -quiet -p "$commands" -j "$(nproc)" "${fix[@]}" "$top/src/" >"$out" 2>&1 || status=$?
if [ "$status" -ne 0 ] || grep -q 'error:' "$out"; then
    grep -E 'error:|warning:' "$out" | sort -u
    echo "names: the files above break the naming rule of HACKING.md" >&2
    exit 1
fi
echo "names: every name under src/ follows the naming rule"
