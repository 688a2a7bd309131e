#!/usr/bin/env bash
# Runs the benchmark programs (not tests) in a fresh Wine prefix on a private Xvfb and prints
# their figures: the caption-button painter against loading its images, and the agent's
# refresh against loading its images plus the time from RUNDLL_QvIn to the first picture.
# With --caption N both run with N-pixel caption buttons (the programs set them and put them
# back), the 16 x 14 pictures fitted, or with --variants drawn for the size in a size subfolder.
# With --beside OLD-BUILD the same benchmarks of another build (an older commit's, say) run in
# turn with this one's, --rounds times (default 3), in the one prefix, so that the two are
# compared on one machine at one time.
# usage: scripts/bench.sh [build-dir] [--caption N] [--variants] [--beside OLD-BUILD] [--rounds N]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build caption=0 variants=() beside="" rounds=1
refuse() {
  echo "bench: $* (usage: scripts/bench.sh [build-dir] [--caption N] [--variants]" \
    "[--beside OLD-BUILD] [--rounds N])" >&2
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
  --beside)
    [ -f "${2:-}/qvshell.cpl" ] || refuse "--beside takes another build folder, one with a qvshell.cpl"
    beside=$(cd "$2" && pwd)
    [ "$rounds" -gt 1 ] || rounds=3
    shift
    ;;
  --rounds)
    [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || refuse "--rounds takes a whole number"
    rounds=$2
    shift
    ;;
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
run() { # build program args...
  "$here/tests/wine-run.sh" "$state" "$1/qvshell.cpl" "$1/tests/$2" "${@:3}" 2>&1 |
    grep -v '^qvdesktop:'
}
for round in $(seq "$rounds"); do
  for which in "$build" ${beside:+"$beside"}; do
    [ -z "$beside" ] || echo "==== $which, round $round of $rounds"
    echo "== caption-button painter"
    run "$which" bench_framectl.exe 200 "$caption" "${variants[@]}"
    echo "== agent refresh and start"
    run "$which" bench_agent.exe 30 "$caption" "${variants[@]}"
  done
done
