#!/usr/bin/env bash
# Renders the main window with examples/demo.sty open after a click on its first style and one on that
# style's first chord variation, offscreen.
# Usage: tools/screenshot.sh [out.png] [build folder]   (defaults: window.png, build/release)
set -euo pipefail
if [ $# -gt 2 ] || [[ ${1:-} == -* || ${2:-} == -* ]]; then
    echo "usage: tools/screenshot.sh [out.png] [build folder]" >&2
    exit 2
fi
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-window.png}")
build=${2:-build/release}
cmake --build "$build" --target ry7windowshot >/dev/null
QT_QPA_PLATFORM=offscreen timeout 60 "$build/tools/ry7windowshot" examples/demo.sty "$out"
echo "$out"
