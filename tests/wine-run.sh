#!/usr/bin/env bash
# Runs a Windows program under the test run's Wine prefix and display.
# usage: wine-run.sh STATE MODULE program.exe [args...]
set -u
state=$1 module=$2
shift 2
# shellcheck disable=SC1091
. "$state/env"
# Tests find the built module through QV_MODULE, as a Windows path.
export QV_MODULE="Z:$(echo "$module" | tr / '\\')"
export QV_WINETEST_STATE="$state"
exec timeout --kill-after=10 "${QV_TEST_TIMEOUT:-600}" wine "$@"
