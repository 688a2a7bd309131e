#!/usr/bin/env bash
# Runs the benchmark programs (not tests) in a fresh Wine prefix on a private Xvfb and prints
# their figures: the caption-button painter against loading its images, and the agent's
# refresh against loading its images plus the time from RUNDLL_QvIn to the first picture.
# usage: scripts/bench.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
bash "$here/scripts/setup.sh" >/dev/null
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
state=$(mktemp -d)/bench
trap '"$here/tests/wine-fixture.sh" cleanup "$state"' EXIT
"$here/tests/wine-fixture.sh" setup "$state" "$build/winetest-versions.txt" >/dev/null
run() { "$here/tests/wine-run.sh" "$state" "$build/qvshell.cpl" "$build/tests/$1" 2>&1 | grep -v '^qvdesktop:'; }
echo "== caption-button painter"
run bench_framectl.exe
echo "== agent refresh and start"
run bench_agent.exe
