#!/usr/bin/env bash
# The ctest fuzz_corpus: every input of the corpus in tests/fuzz/corpus run once through its
# target under the address and undefined-behaviour checks, so that a finding, once fixed and
# added there, stays fixed. usage: tests/fuzz/replay.sh BUILD-DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/build.sh" "$1"
for corpus in "$here"/corpus/*/; do
  target=$(basename "$corpus")
  status=0
  "$1/fuzz_$target" -runs=0 "$corpus" >"$1/replay-$target.log" 2>&1 || status=$?
  grep -E 'DONE|ERROR|does not hold|SUMMARY' "$1/replay-$target.log" | sed "s|^|$target: |" || true
  [ "$status" -eq 0 ] || { echo "$target: an input of the corpus fails (see $1/replay-$target.log)"; exit 1; }
done
