#!/usr/bin/env bash
# Breaks the connection of "受信" at pseudo-random bytes, CUTS times (default 200), over
# mailboxes of 20 mails, and prints "cuts tried, mails lost, duplicates": once over STLS and once
# in plain text (where a cut can fall between the lines of a reply).
#   run-cuts.sh BUILD_DIR [CUTS] [SEED]
# (Qt Test would stop a long run after five minutes; the timeout is lifted.)
# BUILD_DIR is a configured build tree with check_mail_cuts_test built. The servers are started
# in BUILD_DIR/mailservers, where the test looks for them: do not run CTest in the same tree
# meanwhile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-cuts.sh BUILD_DIR [CUTS] [SEED]}" && pwd)
cuts=${2:-200}
seed=${3:-8}
servers=$here/../../scripts/mailservers
test=$build/tests/app/check_mail_cuts_test
trap '"$servers/stop.sh" "$build/mailservers"' EXIT

for tls in on off; do
  MAILSERVERS_TLS=$tls "$servers/start.sh" "$build/mailservers" cuts >/dev/null
  echo "TLS $tls:"
  QTEST_FUNCTION_TIMEOUT=86400000 QT_QPA_PLATFORM=offscreen TESSALY_CUTS=$cuts TESSALY_CUTS_SEED=$seed "$test" \
    2>&1 | grep -E '^(cuts tried|FAIL|   )' || true
done
