#!/usr/bin/env bash
# Takes the pictures of our windows on a virtual X server: docs/main-window.png,
# docs/advanced-options.png, docs/main-window-container.png (a container as the target) and
# resources/local-connection-example.jpg (the picture the connection help offers). The preview
# and datatypes windows are pictured too, into QC_KEEP_SCREENSHOTS when that names a folder. Needs xvfb and the fonts of packages.txt; builds the window tests if needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/screenshots}
[ -f "$build/CMakeCache.txt" ] || cmake -G Ninja -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target test_app
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Each picture is a child entry of the window tests (tests/app/screenshots.cpp), run on its own.
for entry in MainWindowAndAdvancedOptions ContainerTarget LocalConnectionExample PreviewAndDatatypesWindows; do
    QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 QT_SCALE_FACTOR=1 QC_SCREENSHOT_DIR="$out" QC_CHILD_ENTRY="$entry" \
        xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
        "$build/bin/test_app" --gtest_filter="Child.$entry" | tee "$out/$entry.log"
    grep -q '^\[  PASSED  \] 1 test\.' "$out/$entry.log" || { echo "no picture from $entry" >&2; exit 1; }
done
mkdir -p "$top/docs"
cp "$out/main-window.png" "$out/advanced-options.png" "$out/main-window-container.png" "$top/docs/"
if [ -n "${QC_KEEP_SCREENSHOTS:-}" ]; then
    mkdir -p "$QC_KEEP_SCREENSHOTS"
    cp "$out"/*.png "$QC_KEEP_SCREENSHOTS/"
fi
cp "$out/local-connection-example.jpg" "$top/resources/"
echo "pictures written to docs/ and resources/"
