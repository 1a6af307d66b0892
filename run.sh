#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts モクリ on the sample folder.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
mokuri_install "${MOKURI_PACKAGES[@]}"
mokuri_fetch_voice
mokuri_build build

sample="${XDG_DATA_HOME:-$HOME/.local/share}/mokuri/sample"
mkdir -p "$sample"
build/mokuri-deck "$sample"   # creates only what is missing
cd "$sample"
exec "$OLDPWD/build/mokuri" "$@"
