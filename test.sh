#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
mokuri_install "${MOKURI_PACKAGES[@]}" xvfb
mokuri_build build
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd build
ctest --output-on-failure -j2
