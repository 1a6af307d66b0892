# SPDX-License-Identifier: GPL-3.0-or-later
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
# shellcheck shell=bash

# Builds into build-asan and runs every test once; fails when a test fails or when any
# process (tests, and the game binary some of them start) wrote a sanitizer report.
mokuri_sanitized_suite() {
  local root=$PWD dir=build-asan
  # Line tables are all a sanitizer's stack trace needs; full debug information only made
  # the build slower.
  mokuri_build "$dir" -DMOKURI_SANITIZE=ON -DMOKURI_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" || return 1
  local reports=$root/$dir/sanitizer-reports
  rm -rf "$reports" && mkdir -p "$reports"
  # Reports go to files as well as aborting the process: a child process's report
  # would otherwise vanish inside the test that started it.
  local common="log_path=$reports/report:print_stacktrace=1:halt_on_error=1"
  local rc=0
  # intercept_strndup=0: libxkbcommon-x11 hands strndup a buffer without a terminating NUL,
  # which strndup allows but the interceptor reads past; every program on the X server
  # (the window-manager test's game) would stop there.
  ASAN_OPTIONS="$common:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_strndup=0" \
  LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="$common" \
  QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    ctest --test-dir "$dir" --output-on-failure -j2 || rc=1
  if compgen -G "$reports/report*" >/dev/null; then
    echo "Sanitizer reports:" >&2
    cat "$reports"/report* >&2
    rc=1
  fi
  return $rc
}
