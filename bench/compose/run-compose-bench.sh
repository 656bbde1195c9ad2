#!/usr/bin/env bash
# Times sending from the compose window against one Python smtplib session doing the same, both
# with STARTTLS and AUTH, through the loopback aiosmtpd and Postfix, RUNS times each, in one run:
# a bulk send to COUNT address-book entries (records written and flushed included), and one mail
# with a 20 MB attachment (with the program's memory over idle).
#   run-compose-bench.sh BUILD_DIR [COUNT] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-compose-bench.sh BUILD_DIR [COUNT] [RUNS]}" && pwd)
count=${2:-200}
runs=${3:-5}
bench=$build/bench/compose/compose_bulk_bench
work=$(mktemp -d)
chmod 755 "$work"
trap '"$here/../../scripts/mailservers/stop.sh" "$work/servers"; rm -rf "$work"' EXIT

"$here/../../scripts/mailservers/start.sh" "$work/servers" bench >/dev/null
env=$work/servers/servers.env
. "$env"
attachment=$work/report.pdf
head -c $((20 * 1024 * 1024)) /dev/urandom > "$attachment"

for run in $(seq "$runs"); do
  for server in SMTP_AUTH_PORT POSTFIX_SUBMISSION_PORT; do
    echo "run $run, $server:"
    "$bench" "$env" "$server" "$count"
    /usr/bin/python3 "$here/smtplib_send.py" "${!server}" "$CA_FILE" "$count"
    "$bench" "$env" "$server" 1 "$attachment"
    /usr/bin/python3 "$here/smtplib_send.py" "${!server}" "$CA_FILE" 1 "$attachment"
    rm -rf "$HOME_DIR"/*/Maildir/new/* "$SPOOL_DIR"/*
  done
done
