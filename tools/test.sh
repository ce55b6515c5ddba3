#!/usr/bin/env bash
# Builds and runs the whole suite twice, with both compilers: an optimised build (gcc) and an ASan+UBSan
# build (clang); then builds the engine, shell/ and ry7style for Windows (MinGW-w64) and runs each fuzz
# target briefly.
set -euo pipefail
[ $# -eq 0 ] || { echo "usage: tools/test.sh   (takes no arguments)" >&2; exit 2; }
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
for preset in release asan-clang; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset tests ==="
  ctest --preset "$preset" -j "$jobs"
done
echo "=== windows build ==="
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target ry7style
echo "=== short fuzz runs ==="
# A damaged bank can ask for a pattern lengthened to the bank size: bounded, but slow under the sanitizers.
FUZZ_UNIT_TIMEOUT=600 tools/fuzz.sh 25
