#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" Release
exec "$top/build/release/bin/marravex" "$@"
