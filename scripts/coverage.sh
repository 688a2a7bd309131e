#!/usr/bin/env bash
# Line coverage of the module's code: builds an instrumented copy of the module's code with
# the tests (in build-coverage/ unless told otherwise), runs the test suites under Wine, and
# prints the share of lines run for each module file and in total.
# The tests link the module's code directly and write its counts; code that runs only inside
# the built module in another process (Wine's control.exe, the stand-in) is not counted.
# usage: scripts/coverage.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-coverage}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DQV_COVERAGE=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
# Wine's drive Z: is the Linux root, so each count file lands at its Linux path. The module
# check is left out: the instrumented module is not the one that ships.
status=0
GCOV_PREFIX=Z: ctest --test-dir "$build" -E '^module_check' --output-on-failure >"$build/coverage-ctest.log" 2>&1 ||
  status=$?
tail -n 3 "$build/coverage-ctest.log"
filters=()
for dir in module install agent framectl applet; do filters+=(-f "$here/$dir/"); done
gcovr --root "$here" --gcov-executable i686-w64-mingw32-gcov-posix \
  --object-directory "$build/CMakeFiles/qvcode.dir" "${filters[@]}" \
  --sort-percentage --txt "$build/coverage.txt"
cat "$build/coverage.txt"
echo "coverage: report in $build/coverage.txt; annotated sources: gcovr --html-details"
[ $status = 0 ] || echo "coverage: some tests failed (see $build/coverage-ctest.log)" >&2
exit $status
