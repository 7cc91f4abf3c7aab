#!/usr/bin/env bash
# Installs what is missing, builds the program and what it ships (not the tests or benchmarks),
# and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" Release marravex samples
exec "$top/build/release/bin/marravex" "$@"
