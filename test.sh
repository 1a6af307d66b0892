#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test headless; then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzzer for 12 s.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
source scripts/sanitizers.sh
# openbox to imagemagick: the game under a window manager with a panel (test_window_manager).
# chromium: mokuri-report's page shown headless (test_report).
# fuse3, libfuse3-dev: a folder that hangs like a dead network share (mokuri-stalled-share).
mokuri_install "${MOKURI_PACKAGES[@]}" "${MOKURI_FUZZ_PACKAGES[@]}" xvfb \
  openbox tint2 x11-utils xdotool imagemagick chromium fuse3 libfuse3-dev \
  lintian appstream desktop-file-utils  # the package checks (packaging/check-package.sh)
mokuri_fetch_voice  # tests that need the voice Mei say why they skip without it
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

status=0
step() {
  local name=$1 start=$SECONDS
  shift
  "$@" || { status=1; echo "test.sh: $name FAILED" >&2; }
  echo "test.sh: $name took $((SECONDS - start)) s"
}
suite() { mokuri_build build -DMOKURI_WERROR=ON && ctest --test-dir build --output-on-failure -j2; }

step "test suite" suite
step "sanitizer suite" mokuri_sanitized_suite
step "fuzzing" ./fuzz.sh 12
exit $status
