#!/usr/bin/env bash
# A home server with a self-signed certificate, in real windows: "受信" shows the certificate
# and fetches nothing until the user decides; Enter declines; "はい" trusts it, and the mail comes;
# the next check asks nothing. Sending to the same server asks once more (its SMTP side), and the
# mail goes out only after "はい". The trusted fingerprint is the one openssl reads off the
# server's certificate.
#
#   trust_self_signed.sh BUILT_PROGRAM_FOLDER [SCREENSHOT_DIR]
set -euo pipefail
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1
shots=${2:-}

make_work_folder
MAILSERVERS_CERT=self-signed "$top/scripts/mailservers/start.sh" "$work/servers" trust >/dev/null
source "$work/servers/servers.env"
maildir=$HOME_DIR/trust/Maildir
program=$(program_folder_copy "$built")
printf 'SMTP=127.0.0.1:%s\r\nPOP3=127.0.0.1:%s\r\nMAIL=trust@localhost\r\nAPOP=0\r\n' \
  "$SMTP_PORT" "$POP3_PORT" >"$program/zelvin.ini"
printf '[EXEINI]\r\nNAME=trust\r\nNAME2=secret-trust\r\nNAME3=1\r\n' >"$program/★MAilData/iniIdPass.ini"
chmod 600 "$program/★MAilData/iniIdPass.ini"  # it holds the password: the program narrows any other file and says so
history="$program/★MAilData/zeldata2.data"
program_log=$work/tessaly.log

deliver() {
  printf 'From: home@example.jp\r\nSubject: %s\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\ntext\r\n' "$1" \
    >"$maildir/tmp/$1" && mv "$maildir/tmp/$1" "$maildir/new/$1"
}
mails_on_server() { [ "$(find "$maildir/new" "$maildir/cur" -type f | wc -l)" -eq "$1" ]; }
records() { [ "$(stat -c %s "$history" 2>/dev/null || echo 0)" -eq $(($1 * 20284)) ]; }
question() { window_id '^証明書の確認$'; }

start_xvfb
QT_QPA_PLATFORM=xcb "$program/tessaly" >"$program_log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
sleep 1

deliver first
click "$main" 452 240                                    # 受信
box=$(question)
[ -n "$shots" ] && { sleep 0.5; mkdir -p "$shots"; import -window "$box" "$shots/screenshot-certificate.png"; }
mails_on_server 1 || fail "a mail was fetched before the user decided"
xdotool key Return                                       # the default answer: いいえ
wait_for "the question to close" no_window '^証明書の確認$'
sleep 0.5
mails_on_server 1 && ! records 1 || fail "declining the certificate still fetched the mail"

click "$main" 452 240                                    # 受信 again
question >/dev/null
xdotool key alt+y                                        # はい
wait_for "the first record" records 1
wait_for "the server to be empty" mails_on_server 0
pin=$(openssl x509 -noout -fingerprint -sha256 -in "$work/servers/tls/server.crt" | sed 's/.*=//; s/://g' | tr 'A-F' 'a-f')
grep -q "$pin" "$program/★MAilData/trusted-certificates.txt" || fail "the trusted fingerprint is not the server's"

deliver second
click "$main" 452 240                                    # 受信: trusted now, no question
for _ in $(seq 1 100); do
  no_window '^証明書の確認$' || fail "the trusted certificate was asked about again"
  records 2 && break
  sleep 0.1
done
records 2 || fail "the second mail did not arrive"

click "$main" 396 240                                    # 新規作成
write=$(window_id '新規作成')
sleep 0.3
click "$write" 260 90 && xdotool type --delay 30 trust@localhost    # 宛先
click "$write" 260 114 && xdotool type --delay 30 self-signed       # 件名
click "$write" 100 220 && xdotool type --delay 30 hello             # 本文
wait_for "the mails of the checks to leave the server" mails_on_server 0
click "$write" 52 20                                     # 送信
question >/dev/null
sleep 0.5
mails_on_server 0 || fail "the mail was sent before the user decided"
xdotool key alt+y                                        # はい
wait_for "the sent mail on the server" mails_on_server 1
wait_for "the compose window to close" no_window '^新規作成$'
grep -c . "$program/★MAilData/trusted-certificates.txt" | grep -qx 2 || fail "the SMTP server's certificate was not kept"
echo "self-signed certificate trusted on purpose for POP3 and SMTP; asked once each, nothing before the answer"
