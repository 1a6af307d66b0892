#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts モクリ on the sample folder.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
mokuri_install "${MOKURI_PACKAGES[@]}"
mokuri_fetch_voice
# Only the two programs it runs: the test suite is ./test.sh's to build.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target mokuri mokuri-deck

sample="${XDG_DATA_HOME:-$HOME/.local/share}/mokuri/sample"
mkdir -p "$sample"
# Creates only what is missing, and speaks again in the voice now installed the letters an
# earlier run made with espeak-ng (never a file a person recorded).
build/mokuri-deck --renew "$sample"
cd "$sample"
exec "$OLDPWD/build/mokuri" "$@"
