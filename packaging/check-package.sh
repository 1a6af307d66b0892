#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from an already built tree into a temporary folder and checks
# it the way a distribution would: lintian (no error, no warning), appstreamcli validate on
# the installed AppStream metadata, desktop-file-validate on the menu entry, and Depends
# naming every package once. A check whose tool is not installed is skipped; with none of
# them installed the whole test is skipped (exit 77).
# Usage: packaging/check-package.sh BUILD_DIR   (CPACK may name the cpack to use)
set -eu
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
cpack=${CPACK:-cpack}
work=$(mktemp -d "${TMPDIR:-/tmp}/mokuri-package.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

have() { command -v "$1" >/dev/null 2>&1; }
if ! have lintian && ! have appstreamcli && ! have desktop-file-validate; then
  echo "check-package: SKIPPED, none of lintian, appstreamcli, desktop-file-validate is installed"
  exit 77
fi

status=0
fail() { echo "check-package: FAILED: $*" >&2; status=1; }

# cpack runs the build's "preinstall" step (a build of the whole tree, nothing to do on a tree
# just built), then installs into its own staging folder under $work and strips the programs.
echo "check-package: cpack -G DEB in $work"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; echo "check-package: FAILED: cpack" >&2; exit 1; }
set -- "$work"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "check-package: FAILED: no single .deb in $work" >&2; exit 1; }
deb=$1
dpkg-deb -x "$deb" "$work/root"

# Every package once in Depends (dpkg-shlibdeps and the hand-written list used to overlap).
dupes=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/[(|].*//; s/[[:space:]]//g' |
        grep -v '^$' | sort | uniq -d)
[ -z "$dupes" ] || fail "named more than once in Depends: $dupes"

if have lintian; then
  # Informational tags are shown too; those that stay are explained in packaging/install.cmake.
  echo "check-package: lintian"
  lintian --display-info --fail-on error,warning "$deb" || fail "lintian"
else
  echo "check-package: lintian SKIPPED (not installed)"
fi

if have appstreamcli; then
  echo "check-package: appstreamcli validate"
  set -- "$work"/root/usr/share/metainfo/*.metainfo.xml
  [ -f "$1" ] || fail "no AppStream metadata in usr/share/metainfo"
  # --strict: an info (a missing content rating is one) fails as well; pedantic hints are shown.
  [ ! -f "$1" ] || appstreamcli validate --no-net --strict --pedantic "$@" || fail "appstreamcli validate"
else
  echo "check-package: appstreamcli SKIPPED (not installed)"
fi

if have desktop-file-validate; then
  echo "check-package: desktop-file-validate"
  set -- "$work"/root/usr/share/applications/*.desktop
  [ -f "$1" ] || fail "no desktop entry in usr/share/applications"
  # Hints fail too (a second main category such as Game shows the entry twice in menus).
  if [ -f "$1" ]; then
    out=$(desktop-file-validate "$@" 2>&1) || fail "desktop-file-validate"
    [ -z "$out" ] || fail "desktop-file-validate reported: $out"
  fi
else
  echo "check-package: desktop-file-validate SKIPPED (not installed)"
fi

[ $status -eq 0 ] && echo "check-package: $(basename "$deb") passed"
exit $status
