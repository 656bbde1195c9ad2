#!/usr/bin/env bash
# Times fetching and deleting a mailbox from a loopback Dovecot: through the mail library alone,
# through the program's whole mail check (records written and made durable, attachments
# expanded), with mpop, and the floor (every RETR pipelined over one session, the bytes thrown
# away: pop3_floor_bench); all over STLS with the same login, one after the other in one run.
# Without COUNT it measures both standard cases, 1000 mails of 2 KB and 200 mails of 200 KB.
#   run-pop3-bench.sh BUILD_DIR [COUNT [KB]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-pop3-bench.sh BUILD_DIR [COUNT [KB]]}" && pwd)
bench=$build/bench/mail/pop3_fetch_bench
source "$here/../common/mailservers.sh"
start_bench_servers bench
maildir=$HOME_DIR/bench/Maildir
left() { echo "  left on the server: $(find "$maildir/cur" "$maildir/new" -type f | wc -l)"; }
# Mail waits on a server for a while before anyone fetches it, long enough for the server's files
# to be on the disk. Dropped in here just before each client runs, they would still be waiting to
# be written, and whichever client flushes the file system to the disk would write them too.
inject() { "$bench" inject "$env" bench "$1" "$2"; sync; }
seconds() { grep -oE '[0-9]+\.[0-9]+ s' | head -n 1 | cut -d' ' -f1; }

one_case() {
  local count=$1 kb=$2 library whole floor mpop_time start end
  echo "== $count mails of $kb KB"
  inject "$count" "$kb"
  library=$("$bench" fetch "$env" bench | tee /dev/stderr | seconds)
  left
  inject "$count" "$kb"
  whole=$("$build/bench/app/check_mail_bench" "$env" bench | tee /dev/stderr | seconds)
  left
  inject "$count" "$kb"
  floor=$("$build/bench/mail/pop3_floor_bench" "$env" bench | tee /dev/stderr | seconds)
  left
  inject "$count" "$kb"
  rm -rf "$work/out" "$work/uidls"
  mkdir -p "$work/out/"{cur,new,tmp}
  start=$(date +%s.%N)
  mpop --host=127.0.0.1 --port="$POP3_PORT" --tls=on --tls-starttls=on --tls-trust-file="$CA_FILE" \
    --auth=plain --user=bench --passwordeval="echo secret-bench" --keep=off --only-new=off \
    --uidls-file="$work/uidls" --delivery=maildir,"$work/out" -q || echo "mpop failed with status $?"
  end=$(date +%s.%N)
  mpop_time=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }')
  echo "mpop: $(ls "$work/out/new" | wc -l) mails fetched and deleted in $mpop_time s" >&2
  left
  awk -v w="$whole" -v l="$library" -v m="$mpop_time" -v f="$floor" -v c="$count" -v k="$kb" \
    'BEGIN { printf "%d x %d KB: 受信 %.2f s (%.2fx mpop, %.2fx floor), mail library %.2f s (%.2fx mpop), mpop %.2f s, floor %.2f s\n", c, k, w, w / m, w / f, l, l / m, m, f }'
}

if [ $# -ge 2 ]; then
  one_case "$2" "${3:-2}"
else
  one_case 1000 2
  one_case 200 200
fi
