#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of fuzz/ and runs each for SECONDS; fails on any crash,
# sanitizer report, broken property, hang or runaway memory.
#
#   ./fuzz.sh SECONDS [TARGET...]       run (default: every target)
#   FUZZ_MERGE=1 ./fuzz.sh SECONDS      also fold the inputs that reach new code
#                                       into fuzz/corpus/<target>, pruned
#
# New inputs of an ordinary run stay in build-fuzz/found/, so CI leaves the tree clean.
# A crash leaves its input in build-fuzz/crashes/<target>/; reproduce it with
#   build-fuzz/fuzz_<target> build-fuzz/crashes/<target>/crash-...
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

seconds=${1:?usage: ./fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(settings access task_list praise encoding tiles pictures record wav)

mokuri_install cmake pkg-config qt6-base-dev libsndfile1-dev "${MOKURI_FUZZ_PACKAGES[@]}"

build=build-fuzz
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

unset MOKURI_TRACE
# Leaks count as crashes too; nothing is suppressed. ASan keeps freed memory aside to catch
# its later use, 256 MB of it by default, which alone would reach the memory limit below:
# 32 MB still catches a use soon after the free, and the limit then measures the readers.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:quarantine_size_mb=32}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=()
for t in "${targets[@]}"; do
  bin=$build/fuzz_$t
  corpus=fuzz/corpus/$t
  found=$build/found/$t
  crashes=$build/crashes/$t
  log=$build/logs/$t.log
  [ -x "$bin" ] || { echo "fuzz: no target $t" >&2; failed+=("$t"); continue; }
  mkdir -p "$found" "$crashes" "$(dirname "$log")" "$corpus"
  # -timeout: an input that takes seconds is a hang for files of a few hundred bytes.
  # -max_len: the files are small, and longer inputs only slow the search down.
  # -rss_limit_mb: a reader's memory stays bounded whatever a file claims.
  if "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=256 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$found" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+' || true)
    echo "fuzz $t: ok, ${runs:-?} runs in ${seconds}s, $last"
  else
    echo "fuzz $t: FAILED (log $log)" >&2
    grep -E 'property failed|ERROR|SUMMARY|runtime error|^  [ab]:|Test unit written' "$log" | head -20 >&2 || true
    failed+=("$t")
  fi
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    # Rebuild the kept corpus from scratch: only inputs that still add coverage remain.
    # The hand-written seeds (readable names) always stay; found inputs are named by
    # their SHA-1, as libFuzzer names them.
    pruned=$build/pruned/$t
    rm -rf "$pruned" && mkdir -p "$pruned"
    "$bin" -merge=1 -max_len=4096 "$pruned" "$corpus" "$found" >>"$log" 2>&1
    find "$corpus" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
    seeds=$(find "$corpus" -type f -exec sha1sum {} + | cut -d' ' -f1)
    for f in "$pruned"/*; do
      grep -qx "$(basename "$f")" <<<"$seeds" || cp "$f" "$corpus"/
    done
    echo "fuzz $t: corpus $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KB"
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
