#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# ./run.sh on a fresh machine builds the two programs it runs, not the whole test suite:
# run on a copy of it, with a cmake that notes what it is asked and a dpkg-query that finds
# every package installed.
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/scripts" "$work/bin" "$work/home"
cp "$src/run.sh" "$work/tree/"
cp "$src/scripts/common.sh" "$work/tree/scripts/"
cat > "$work/bin/cmake" <<'EOF'
#!/usr/bin/env bash
echo "$*" >> "$CMAKE_LOG"
if [ "$1" = --build ]; then
  mkdir -p build
  for p in mokuri mokuri-deck; do printf '#!/bin/sh\nexit 0\n' > "build/$p"; chmod +x "build/$p"; done
fi
EOF
printf '#!/bin/sh\nprintf "install ok installed"\n' > "$work/bin/dpkg-query"
chmod +x "$work/bin/cmake" "$work/bin/dpkg-query"
(cd "$work/tree" && CMAKE_LOG="$work/log" PATH="$work/bin:$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home/data" ./run.sh)
builds=$(grep -c -- '--build' "$work/log" || true)
if [ "$builds" -eq 0 ] || grep -- '--build' "$work/log" | grep -qv -- '--target mokuri mokuri-deck$'; then
  echo "run.sh builds more than the two programs it runs:" >&2
  cat "$work/log" >&2
  exit 1
fi
echo "run.sh built only mokuri and mokuri-deck"
