#!/usr/bin/env bash
# The long kill loop: SIGKILL at random moments of "受信", ROUNDS times (default 200) over
# a mailbox topped up to MAILS mails each time (default 60), then full checks; prints "kills, mails, lost,
# duplicates, duplicate files". Once over STLS and once in plain text.
#   run-kill-loop.sh BUILD_DIR [ROUNDS] [MAILS] [SEED]
# BUILD_DIR is a configured build tree with check_mail_once built. The servers are started in
# BUILD_DIR/mailservers, where the driver looks for them: do not run CTest in the same tree
# meanwhile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-kill-loop.sh BUILD_DIR [ROUNDS] [MAILS] [SEED]}" && pwd)
rounds=${2:-200}
mails=${3:-60}
seed=${4:-20}
servers=$here/../../scripts/mailservers
trap '"$servers/stop.sh" "$build/mailservers"' EXIT

for tls in on off; do
  MAILSERVERS_TLS=$tls "$servers/start.sh" "$build/mailservers" kill >/dev/null
  echo "TLS $tls:"
  QT_QPA_PLATFORM=offscreen /usr/bin/python3 "$here/../../tests/app/kill_loop.py" \
    --driver "$build/tests/app/check_mail_once" --env "$build/mailservers/servers.env" \
    --work "$build/kill-loop-bench" --rounds "$rounds" --mails "$mails" --seed "$seed" || true
done
