#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and benchmarks with, when they are missing.
set -euo pipefail
[ $# -eq 0 ] || { echo "usage: tools/install-deps.sh   (takes no arguments)" >&2; exit 2; }

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  liblzo2-dev                                   # benchmark reference only
  qt6-base-dev libfluidsynth-dev fluid-soundfont-gm
  desktop-file-utils shared-mime-info libglib2.0-bin  # the desktop install and its checks
  python3 python3-mido                          # independent MIDI reader for the checks
  clang-14 libclang-rt-14-dev libfuzzer-14-dev  # the sanitizer build and the fuzz targets
  g++-mingw-w64-x86-64-posix                    # the Windows build of ry7style
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
