#!/usr/bin/env bash
# Runs the benchmark programs (not tests) in a fresh Wine prefix on a private Xvfb and prints
# their figures: the caption-button painter against loading its images, and the agent's
# refresh against loading its images plus the time from RUNDLL_QvIn to the first picture.
# With --caption N both run with N-pixel caption buttons (the programs set them and put them
# back), the 16 x 14 pictures fitted, or with --variants drawn for the size in a size subfolder.
# usage: scripts/bench.sh [build-dir] [--caption N] [--variants]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build caption=0 variants=()
refuse() {
  echo "bench: $* (usage: scripts/bench.sh [build-dir] [--caption N] [--variants])" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case $1 in
  --caption)
    [[ ${2:-} =~ ^[0-9]+$ ]] || refuse "--caption takes the caption buttons' size, e.g. 24"
    caption=$2
    shift
    ;;
  --variants) variants=(variants) ;;
  -*) refuse "$1: no such option" ;;
  *) build=$1 ;;
  esac
  shift
done
bash "$here/scripts/setup.sh" >/dev/null
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
state=$(mktemp -d)/bench
trap '"$here/tests/wine-fixture.sh" cleanup "$state"' EXIT
"$here/tests/wine-fixture.sh" setup "$state" "$build/winetest-versions.txt" >/dev/null
run() { "$here/tests/wine-run.sh" "$state" "$build/qvshell.cpl" "$build/tests/$1" "${@:2}" 2>&1 | grep -v '^qvdesktop:'; }
echo "== caption-button painter"
run bench_framectl.exe 200 "$caption" "${variants[@]}"
echo "== agent refresh and start"
run bench_agent.exe 30 "$caption" "${variants[@]}"
