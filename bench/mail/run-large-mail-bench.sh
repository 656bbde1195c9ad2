#!/usr/bin/env bash
# One large mail through "受信" and through mpop, one after the other in one run, over STLS with
# the same login: the time and the peak resident memory (/usr/bin/time's maximum resident set).
# The time of "受信" is the check's own, from the click to its end, as run-pop3-bench.sh takes it;
# the benchmark process's whole time (Qt's start, the temporary folder's removal) is shown beside.
# Cases: a 200 MB attachment, a 50 MB attachment, a 64 MiB plain text. Each is run RUNS times
# (default 3), the clients taking turns.
#   run-large-mail-bench.sh BUILD_DIR [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-large-mail-bench.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-3}
bench=$build/bench/mail/pop3_fetch_bench
source "$here/../common/mailservers.sh"
start_bench_servers bench
# Measured as if the mail had waited on the server: on the disk before the client runs.
inject() { "$bench" "$@"; sync; }
timed() { /usr/bin/time -o "$work/time" -f "%e %M" "$@" >"$work/out.log" 2>&1 || { cat "$work/out.log"; return 1; }; cat "$work/time"; }

one_case() {
  local name=$1; shift
  echo "== $name"
  for _ in $(seq 1 "$runs"); do
    inject "$@"
    read -r p m < <(timed "$build/bench/app/check_mail_bench" "$env" bench)
    grep -q " 1 mails" "$work/out.log" || { echo "受信 did not store the mail:"; cat "$work/out.log"; }
    t=$(grep -oE '[0-9]+\.[0-9]+ s' "$work/out.log" | head -n 1 | cut -d' ' -f1)
    inject "$@"
    rm -rf "$work/mpop" "$work/uidls" && mkdir -p "$work/mpop/"{cur,new,tmp}
    read -r mt mm < <(timed mpop --host=127.0.0.1 --port="$POP3_PORT" --tls=on --tls-starttls=on --tls-trust-file="$CA_FILE" \
      --auth=plain --user=bench --passwordeval="echo secret-bench" --keep=off --only-new=off \
      --uidls-file="$work/uidls" --delivery=maildir,"$work/mpop" -q)
    awk -v t="$t" -v p="$p" -v m="$m" -v mt="$mt" -v mm="$mm" \
      'BEGIN { printf "受信 %.2f s (process %.2f s), %.0f MiB; mpop %.2f s, %.0f MiB; time %.2fx mpop (process %.2fx)\n", t, p, m / 1024, mt, mm / 1024, t / mt, p / mt }'
  done
}

one_case "one mail with a 200 MB attachment" inject "$env" bench 1 273067
one_case "one mail with a 50 MB attachment" inject "$env" bench 1 68267
one_case "one plain-text mail of 64 MiB" inject-text "$env" bench 64
