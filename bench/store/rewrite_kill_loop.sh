#!/bin/sh
# Kills the rewrite helper at random moments many more times than the test suite does and
# reports how many kills there were and how each left the file.
# Usage: bench/store/rewrite_kill_loop.sh <build folder> [kills, default 150]
set -eu
build=${1:?usage: $0 <build folder> [kills]}
kills=${2:-150}
test_binary="$build/tests/store/record_rewrite_test"
[ -x "$test_binary" ] || { echo "build the record_rewrite_test target first: $test_binary" >&2; exit 1; }
REWRITE_KILLS=$kills "$test_binary" killedRewritesLeaveTheOldOrTheNewFile | grep -E 'kills|PASS|FAIL|Totals'
