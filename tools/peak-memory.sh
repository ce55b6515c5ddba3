#!/usr/bin/env bash
# Peak memory of opening a bank that expands to close to the 3 MB bank buffer and exporting every chord variation of every style.
# Builds ry7mkexample and ry7style (preset "release"), generates the benchmark bank, runs
# `ry7style export --all-styles` under /usr/bin/time -v and prints "Maximum resident set size".
# The target is under 32 MB (32768 kbytes). Usage: tools/peak-memory.sh [STYLES] (default 60)
set -euo pipefail
styles=${1:-60}
[[ $# -le 1 && $styles =~ ^[0-9]+$ ]] || { echo "usage: tools/peak-memory.sh [STYLES]" >&2; exit 2; }
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target ry7mkexample ry7style
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/release/tools/ry7mkexample "$work/bench.sty" --bench "$styles"
echo "bank: $(stat -c %s "$work/bench.sty") bytes in the file, $(build/release/cli/ry7style list "$work/bench.sty" |
    awk 'NR > 1 { n++; size += $NF } END { print n " styles, " size " bytes of style data uncompressed" }')"
/usr/bin/time -v build/release/cli/ry7style export "$work/bench.sty" --all-styles -o "$work/out" \
    >/dev/null 2>"$work/time.txt" || { cat "$work/time.txt"; exit 1; }
echo "files: $(find "$work/out" -type f | wc -l)"
grep -E "Maximum resident set size|Elapsed" "$work/time.txt"
peak=$(awk '/Maximum resident set size/ {print $NF}' "$work/time.txt")
[ "$peak" -lt 32768 ] || { echo "peak memory above 32 MB"; exit 1; }
