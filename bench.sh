#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the benchmarks (not part of ./test.sh: they take minutes and want a quiet machine).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
mokuri_install "${MOKURI_PACKAGES[@]}"
mokuri_fetch_voice
mokuri_build build
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
work=build/workloads
build/bench/make_workload "$work/large" 101 large
build/bench/make_workload "$work/small" 101 small

echo "== start-up, 101 pictures of 4000 x 3000"
build/bench/bench_startup "$PWD/build/mokuri" "$PWD/$work/large" 7
echo "== start-up, 101 small pictures"
build/bench/bench_startup "$PWD/build/mokuri" "$PWD/$work/small" 7
echo "== question set-up"
build/bench/bench_question_setup
for b in build/bench/bench_media_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
echo "== the voice Mei: synthesis, speak -> first sample ahead and not, idle"
build/bench/bench_openjtalk 30 || echo "(skipped: no Open JTalk voice)"
echo "== mokuri-deck --sounds: all letters with Open JTalk, then with espeak-ng"
for speech in "" espeak-ng; do
  letters=$(mktemp -d)
  MOKURI_SPEECH=$speech /usr/bin/time -f "${speech:-default voice}: %e s wall, %U s user" build/mokuri-deck --sounds "$letters" >/dev/null
  rm -rf "$letters"
done
echo "== mokuri-report on a school year's record"
build/bench/bench_report
if [ -x build/bench/bench_memory ]; then
  echo "== memory over 300 questions"
  build/bench/bench_memory
fi
echo "== the window's thread while five questions are played (a sample deck)"
deck="$work/deck"
mkdir -p "$deck" && build/mokuri-deck "$deck" >/dev/null
(cd "$deck" && "$OLDPWD/build/bench/bench_window_busy" 5)
echo "== one switch scanning the tiles: highlight move to its frame, Space to the letter's first sample"
(cd "$deck" && "$OLDPWD/build/bench/bench_window_busy" --switch 30)
echo "== Esc during a ten-second letter, the real game under Xvfb"
bench/escape_during_sound.sh build/mokuri 5
