#!/usr/bin/env bash
# Builds the fuzz targets natively with clang into the folder given (made when missing) and
# prints nothing but errors. usage: tests/fuzz/build.sh BUILD-DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing: run scripts/setup.sh (it installs clang and its runtimes)" >&2
  exit 1
fi
cmake -S "$here" -B "$1" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$1" -j "$(nproc)" >/dev/null
