#!/usr/bin/env bash
# Times fetching and deleting COUNT (default 1000) mails of 2 KB from a loopback Dovecot: through
# the mail library alone, through the program's whole mail check (records written and flushed,
# attachments expanded), and with mpop; all over STLS with the same login.
#   run-pop3-bench.sh BUILD_DIR [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-pop3-bench.sh BUILD_DIR [COUNT]}" && pwd)
count=${2:-1000}
bench=$build/bench/mail/pop3_fetch_bench
work=$(mktemp -d)
chmod 755 "$work"  # Dovecot's unprivileged processes must reach the servers below it
trap '"$here/../../scripts/mailservers/stop.sh" "$work/servers"; rm -rf "$work"' EXIT

"$here/../../scripts/mailservers/start.sh" "$work/servers" bench >/dev/null
env=$work/servers/servers.env
. "$env"
maildir=$HOME_DIR/bench/Maildir

"$bench" inject "$env" bench "$count"
"$bench" fetch "$env" bench
left() { echo "left on the server: $(find "$maildir/cur" "$maildir/new" -type f | wc -l)"; }
left

"$bench" inject "$env" bench "$count"
"$build/bench/app/check_mail_bench" "$env" bench
left

"$bench" inject "$env" bench "$count"
mkdir -p "$work/out/"{cur,new,tmp}
start=$(date +%s.%N)
mpop --host=127.0.0.1 --port="$POP3_PORT" --tls=on --tls-starttls=on --tls-trust-file="$CA_FILE" \
  --auth=plain --user=bench --passwordeval="echo secret-bench" --keep=off --only-new=off \
  --uidls-file="$work/uidls" --delivery=maildir,"$work/out" -q || echo "mpop failed with status $?"
end=$(date +%s.%N)
awk -v n="$(ls "$work/out/new" | wc -l)" -v s="$start" -v e="$end" \
  'BEGIN { printf "mpop: %d mails fetched and deleted in %.2f s\n", n, e - s }'
left
