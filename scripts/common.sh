# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: install what is missing, then configure and build.
# shellcheck shell=bash

MOKURI_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools
  libsdl2-dev libgif-dev libjpeg-dev
  libespeak-ng-dev espeak-ng-data
  libmecab-dev mecab-ipadic-utf8
  fonts-ipafont-gothic fonts-noto-color-emoji
)

# The libFuzzer targets of fuzz/ (./fuzz.sh): clang and its runtime libraries.
MOKURI_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

mokuri_missing_packages() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ "${#missing[@]}" -eq 0 ] || printf '%s\n' "${missing[@]}"
}

mokuri_install() {
  local missing
  mapfile -t missing < <(mokuri_missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

mokuri_build() {
  local dir=${1:-build}; shift || true
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
  cmake --build "$dir" -j"$(nproc)"
}
