#!/usr/bin/env bash
# Installs what is missing, builds qvshell.cpl and the tests, and runs every test under Wine.
# usage: scripts/test.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure
