#!/usr/bin/env bash
# Fuzzes the module's code that turns bytes into meaning (module/formats.h: bitmap files, the
# stored settings, paths and size-folder names) natively with clang's libFuzzer, under its
# address and undefined-behaviour checks, each target for N seconds (default 60), starting from
# the corpus in tests/fuzz/corpus. Prints for each target its runs, runs a second, coverage
# (libFuzzer's cov: and ft:), corpus entries and findings, each finding with its input saved
# and the command that reproduces it; exits 1 when there is any finding.
# usage: scripts/fuzz.sh [--seconds N] [--build DIR] [TARGET...]   (targets: bitmap settings paths)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=60 build=$here/build-fuzz targets=()
refuse() {
  echo "fuzz: $* (usage: scripts/fuzz.sh [--seconds N] [--build DIR] [TARGET...])" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case $1 in
  --seconds)
    [[ ${2:-} =~ ^[0-9]+$ ]] && [ "$2" -gt 0 ] || refuse "--seconds takes a whole number of seconds"
    seconds=$2
    shift
    ;;
  --build)
    [ -n "${2:-}" ] || refuse "--build takes a folder"
    build=$(realpath -m "$2")
    shift
    ;;
  -*) refuse "$1: no such option" ;;
  *)
    [ -d "$here/tests/fuzz/corpus/$1" ] || refuse "$1: no such target"
    targets+=("$1")
    ;;
  esac
  shift
done
[ ${#targets[@]} -gt 0 ] || targets=(bitmap settings paths)
bash "$here/scripts/setup.sh" >/dev/null
bash "$here/tests/fuzz/build.sh" "$build"

found=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target findings=$build/findings/$target/ log=$build/$target.log
  mkdir -p "$corpus" "$findings"
  cp -n "$here/tests/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  before=$(ls "$findings" | wc -l)
  status=0
  "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$findings" "$corpus" >"$log" 2>&1 || status=$?
  stat() { sed -n "s/^stat::$1: *//p" "$log"; }
  progress=$(grep -E '^#[0-9]+[[:space:]].*cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$progress")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$progress")
  new=$(ls -t "$findings" | head -n $(($(ls "$findings" | wc -l) - before)))
  printf '%s: %s runs, %s runs/s, cov %s, ft %s, corpus %s entries, %s finding(s)\n' "$target" \
    "$(stat number_of_executed_units)" "$(stat average_exec_per_sec)" "${cov:-?}" "${ft:-?}" \
    "$(ls "$corpus" | wc -l)" "$(grep -c . <<<"$new" || true)"
  for file in $new; do
    echo "  $(grep -m1 -E 'ERROR|does not hold' "$log" || echo "$file")"
    echo "  input: $findings$file; reproduce: $build/fuzz_$target $findings$file"
    found=1
  done
  if [ "$status" -ne 0 ] && [ -z "$new" ]; then
    echo "  the target stopped (status $status) without saving an input: see $log"
    found=1
  fi
done
exit $found
