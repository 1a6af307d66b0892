#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Esc to the end of the process while a ten-second letter sounds: the real game under its
# own Xvfb, a tile taken by the pointer passing over the tile row (touch mode), Esc sent by
# xdotool as soon as the trace shows the letter playing.
#   bench/escape_during_sound.sh BUILD/mokuri [RUNS]
set -euo pipefail
bin=$(realpath "${1:?the game to measure}")
runs=${2:-5}
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/data"
python3 - "$work" <<'PY'
import math, struct, sys, wave
work = sys.argv[1]
tone = b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 16000))) for i in range(160000))
for letter in ("い", "う", "え", "お"):   # ten seconds of a quiet tone each
    with wave.open(f"{work}/{letter}.wav", "wb") as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(16000); w.writeframes(tone)
row = b"\x00\x00\xff" * 8
bmp = b"BM" + struct.pack("<IHHI", 54 + len(row) * 8, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 8, 8, 1, 24, 0, len(row) * 8, 2835, 2835, 0, 0) + row * 8
for name in ("い", "う", "え", "お"):
    open(f"{work}/data/{name}.bmp", "wb").write(bmp)
open(f"{work}/data/Word.txt", "wb").write(b"#TRUE#,#TRUE#,0,0,#TRUE#,#TRUE#\r\n")
PY
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
waitFor() { for _ in $(seq 3000); do grep -q "$1" "$work/trace" 2>/dev/null && return 0; sleep 0.01; done; return 1; }
for _ in $(seq "$runs"); do
  rm -f "$work/trace"
  (cd "$work" && DISPLAY=$display SDL_AUDIODRIVER=dummy MOKURI_TRACE="$work/trace" exec "$bin" "$work/data") 2>/dev/null &
  game=$!
  waitFor speech-ended || { echo "no instruction heard"; kill "$game"; continue; }
  # The middle of each of the six places of the tile row on a 1024 x 768 screen of 15 twips a pixel.
  DISPLAY=$display xdotool mousemove 94 672 sleep 0.1 mousemove 261 672 sleep 0.1 mousemove 428 672 sleep 0.1 mousemove 595 672 sleep 0.1 mousemove 762 672 sleep 0.1 mousemove 929 672
  waitFor $'\tsound\t' || { echo "no tile taken:"; cat "$work/trace"; kill "$game"; continue; }
  t0=$(date +%s%N)
  DISPLAY=$display xdotool key Escape
  wait "$game" || true
  t1=$(date +%s%N)
  echo "Esc to the end of the process: $(( (t1 - t0) / 1000000 )) ms"
done
