#!/usr/bin/env bash
# Times a bulk send from the compose window to COUNT (default 200) address-book entries through
# the loopback SMTP server, against COUNT separate swaks runs to the same server with the same
# STARTTLS and a body of the same size.
#   run-compose-bench.sh BUILD_DIR [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-compose-bench.sh BUILD_DIR [COUNT]}" && pwd)
count=${2:-200}
bench=$build/bench/compose/compose_bulk_bench
work=$(mktemp -d)
chmod 755 "$work"
trap '"$here/../../scripts/mailservers/stop.sh" "$work/servers"; rm -rf "$work"' EXIT

"$here/../../scripts/mailservers/start.sh" "$work/servers" bench >/dev/null
env=$work/servers/servers.env
. "$env"

"$bench" "$env" "$count"

body=$(for _ in $(seq 20); do echo "一斉送信の速さを測るための本文です。"; done)
start=$(date +%s.%N)
for i in $(seq -f %03g "$count"); do
  swaks --silent 2 --server 127.0.0.1 --port "$SMTP_PORT" --tls --from tessa@example.jp \
    --to "bench$i@example.jp" --header "Subject: bench $i" --body "$body" >/dev/null
done
end=$(date +%s.%N)
awk -v n="$count" -v s="$start" -v e="$end" 'BEGIN { printf "swaks: %d mails in %.2f s\n", n, e - s }'
