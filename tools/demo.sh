#!/usr/bin/env bash
# The main job: build ry7style, list the styles of the example bank and export every chord variation
# of every style into out/ (one folder per style).
set -euo pipefail
[ $# -eq 0 ] || { echo "usage: tools/demo.sh   (takes no arguments)" >&2; exit 2; }
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target ry7style
ry7style=build/release/cli/ry7style
bank=examples/demo.sty

echo "== Styles of $bank"
"$ry7style" list "$bank"

echo "== Exporting every chord variation into out/"
rm -rf out
mkdir -p out
"$ry7style" export "$bank" --all-styles -o out --ext-prog examples/ExtProgList.txt > out/written.txt
for folder in out/*/; do
  echo "${folder}: $(grep -c "^${folder}" out/written.txt) files: $(cd "$folder" && ls | tr '\n' ' ')"
done
echo "$(wc -l < out/written.txt) MIDI files written (list: out/written.txt)"
