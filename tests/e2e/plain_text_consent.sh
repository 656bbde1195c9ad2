#!/usr/bin/env bash
# A POP3 server that offers no TLS, in real windows: "受信" asks before the password would go
# unencrypted, and nothing reaches the server meanwhile; Enter declines and nothing is fetched;
# "はい" is kept for that server and the mail comes, the next check asks nothing. Then the data
# folder says the server spoke TLS before: the same plain server is refused as a downgrade, with
# a message and the mail left on the server.
#
#   plain_text_consent.sh BUILT_PROGRAM_FOLDER [SCREENSHOT_DIR]
set -euo pipefail
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1
shots=${2:-}

make_work_folder
MAILSERVERS_TLS=off "$top/scripts/mailservers/start.sh" "$work/servers" plain >/dev/null
source "$work/servers/servers.env"
maildir=$HOME_DIR/plain/Maildir
program=$(program_folder_copy "$built")
printf 'SMTP=127.0.0.1:%s\r\nPOP3=127.0.0.1:%s\r\nMAIL=plain@localhost\r\nAPOP=0\r\n' \
  "$SMTP_PORT" "$POP3_PORT" >"$program/zelvin.ini"
printf '[EXEINI]\r\nNAME=plain\r\nNAME2=secret-plain\r\nNAME3=1\r\n' >"$program/★MAilData/iniIdPass.ini"
chmod 600 "$program/★MAilData/iniIdPass.ini"  # it holds the password: the program narrows any other file and says so
history="$program/★MAilData/zeldata2.data"
security="$program/★MAilData/server-security.txt"
logins() { grep -c "Login: user=<plain>" "$work/servers/dovecot/dovecot.log" || true; }

deliver() {
  printf 'From: home@example.jp\r\nSubject: %s\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\ntext\r\n' "$1" \
    >"$maildir/tmp/$1" && mv "$maildir/tmp/$1" "$maildir/new/$1"
}
mails_on_server() { [ "$(find "$maildir/new" "$maildir/cur" -type f | wc -l)" -eq "$1" ]; }
records() { [ "$(stat -c %s "$history" 2>/dev/null || echo 0)" -eq $(($1 * 20284)) ]; }
question() { window_id '^パスワードを暗号化せずに送る確認$'; }
start_program() {
  QT_QPA_PLATFORM=xcb "$program/tessaly" >>"$work/tessaly.log" 2>&1 &
  started_pids+=($!)
  main=$(window_id 'zer、ido　新着メールで')
  sleep 1
}

start_xvfb
start_program
deliver first
click "$main" 452 240                                    # 受信
box=$(question)
[ -n "$shots" ] && { sleep 0.5; mkdir -p "$shots"; import -window "$box" "$shots/screenshot-unencrypted-login.png"; }
[ "$(logins)" -eq 0 ] || fail "the password went to the server before the user decided"
xdotool key Return                                       # the default answer: いいえ
wait_for "the question to close" no_window '^パスワードを暗号化せずに送る確認$'
sleep 0.5
mails_on_server 1 && ! records 1 || fail "declining still fetched the mail"
[ "$(logins)" -eq 0 ] || fail "declining still sent the password"
[ ! -e "$security" ] || ! grep -q unencrypted "$security" || fail "a declined consent was kept"

click "$main" 452 240                                    # 受信 again
question >/dev/null
xdotool key alt+y                                        # はい
wait_for "the first record" records 1
wait_for "the server to be empty" mails_on_server 0
grep -qx "127.0.0.1:$POP3_PORT unencrypted-password-allowed" "$security" || fail "the consent was not kept for host:port"
[ "$(stat -c %a "$security")" = 600 ] || fail "the security file is readable by others"

deliver second
click "$main" 452 240                                    # 受信: agreed before, no question
for _ in $(seq 1 100); do
  no_window '^パスワードを暗号化せずに送る確認$' || fail "the consent was asked for again"
  records 2 && break
  sleep 0.1
done
records 2 || fail "the second mail did not arrive"

# As if an earlier session to this server had spoken TLS: this one without TLS is a downgrade.
echo "127.0.0.1:$POP3_PORT tls" >>"$security"
deliver third
before=$(logins)
click "$main" 452 240                                    # 受信
box=$(window_id '^エラー$')
[ -n "$shots" ] && { sleep 0.5; import -window "$box" "$shots/screenshot-downgrade.png"; }
[ "$(logins)" -eq "$before" ] || fail "the password went to a server that dropped TLS"
xdotool key Return
wait_for "the error to close" no_window '^エラー$'
mails_on_server 1 && records 2 || fail "the downgraded server's mail was fetched"
echo "unencrypted login asked once per server, nothing sent before the answer; a downgrade refused"
