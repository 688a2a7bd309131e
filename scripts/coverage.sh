#!/usr/bin/env bash
# Line coverage of the module's code: builds an instrumented copy of the module's code with
# the tests (in build-coverage/ unless told otherwise), runs the test suites under Wine, and
# prints the share of lines run for each module file and in total.
# The tests link the module's code directly and write its counts; code that runs only inside
# the built module in another process (Wine's control.exe, the stand-in) is not counted.
# usage: scripts/coverage.sh [build-dir]
#        scripts/coverage.sh --quick build-dir
# --quick builds only what links the instrumented code outside the tests (the module, tools/),
# runs the module's check once and reports that run: it fails when the instrumented build does
# not link or writes no counts. ctest runs it (in its Wine prefix), so the whole report keeps
# working without every suite running twice.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
quick=""
if [ "${1:-}" = --quick ]; then
  quick=1
  shift
fi
build=${1:-$here/build-coverage}

# Counts are looked for in the build folder alone: elsewhere in the tree a test run's Wine prefix
# may link to the user's home folder and, through a prefix there, to the whole file system.
report() { # [gcovr options...]
  local filters=()
  for dir in module install agent framectl applet; do filters+=(-f "$here/$dir/"); done
  gcovr --root "$here" --gcov-executable i686-w64-mingw32-gcov-posix \
    --object-directory "$build/CMakeFiles/qvcode.dir" "${filters[@]}" \
    --sort-percentage --txt "$build/coverage.txt" "$@" "$build"
  cat "$build/coverage.txt"
}

if [ -n "$quick" ]; then
  cmake -S "$here" -B "$build" -DQV_COVERAGE=ON -DQV_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target qvshell qvcheck -j 2 >/dev/null
  find "$build" -name '*.gcda' -delete
  # Wine's drive Z: is the Linux root, so each count file lands at its Linux path.
  GCOV_PREFIX=Z: wine "$build/tools/qvcheck.exe" \
    "Z:$(echo "$here/dist/THEMES/CLASSIC/START.BMP" | tr / '\\')"
  report --fail-under-line 1
  exit
fi

bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DQV_COVERAGE=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
# The module check is left out (the instrumented module is not the one that ships), and so is
# the quick check of this script, which the whole run makes again.
status=0
GCOV_PREFIX=Z: ctest --test-dir "$build" -E '^(module_check|coverage_build)$' --output-on-failure \
  >"$build/coverage-ctest.log" 2>&1 || status=$?
tail -n 3 "$build/coverage-ctest.log"
report
echo "coverage: report in $build/coverage.txt; annotated sources: gcovr --html-details"
[ $status = 0 ] || echo "coverage: some tests failed (see $build/coverage-ctest.log)" >&2
exit $status
