#!/usr/bin/env bash
# The main job: build, then list the styles of the example bank.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
build/release/tools/ry7list examples/demo.sty
