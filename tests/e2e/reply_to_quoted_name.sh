#!/usr/bin/env bash
# A reply in real windows to a sender whose display name holds a comma, '"Yamada, Taro"
# <taro.y@example.jp>': "受信", "着信履歴", the line, "返事を出す", "送信". The reply must reach
# taro.y@example.jp alone (the SMTP envelope), with the name intact in its To field, as
# Python's email package reads the delivered mail.
#
#   reply_to_quoted_name.sh BUILT_PROGRAM_FOLDER [SCREENSHOT_DIR]
set -euo pipefail
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1
shots=${2:-}

sender='"Yamada, Taro" <taro.y@example.jp>'
subject='お見積りの件 (Yamada, Taro)'

make_work_folder
program=$("$top/scripts/demo/prepare.sh" "$work" "$built")
program_log=$work/tessaly.log
home=$work/servers/home
maildir=$home/demo/Maildir
# The mailbox holds only the mail to answer; the server delivers the reply to taro.y's box.
find "$maildir/new" "$maildir/cur" -type f -delete
mkdir -p "$home/taro.y/Maildir/"{cur,new,tmp}
/usr/bin/python3 - "$sender" "$subject" >"$maildir/tmp/quoted.eml" <<'PY'
import sys
from email.message import EmailMessage
from email.policy import SMTP
from email.utils import formatdate, make_msgid
mail = EmailMessage(policy=SMTP)
mail["From"], mail["Subject"] = sys.argv[1], sys.argv[2]
mail["To"] = "demo@localhost"
mail["Date"] = formatdate(localtime=True)
mail["Message-ID"] = make_msgid(domain="example.jp")
mail.set_content("お見積りをお送りします。\nご確認ください。\n", charset="iso-2022-jp")
sys.stdout.buffer.write(mail.as_bytes())
PY
mv "$maildir/tmp/quoted.eml" "$maildir/new/"

replies() { find "$home/taro.y/Maildir/new" "$home/taro.y/Maildir/cur" -type f; }
one_reply() { [ "$(replies | wc -l)" -eq 1 ]; }
received_record() { [ -f "$program/★MAilData/zeldata2.data" ] && [ "$(stat -c %s "$program/★MAilData/zeldata2.data")" -eq 20284 ]; }

start_xvfb
QT_QPA_PLATFORM=xcb "$program/tessaly" >"$program_log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
sleep 1

# Positions are the controls' centres in the windows' own pixels (twips / 15).
click "$main" 452 240                                    # 受信
wait_for "the received record" received_record
reply=$(reply_to_first_mail "$main")
sleep 0.5
[ -z "$shots" ] || { mkdir -p "$shots" && import -window "$reply" "$shots/reply-to-quoted-name.png"; }
click "$reply" 144 20                                    # 送信
wait_for "the reply in taro.y's mailbox" one_reply
wait_for "the reply window to close" no_window '^返事を出す$'

delivered=$(replies)
spooled=$work/servers/spool/$(basename "$delivered").eml
/usr/bin/python3 "$top/scripts/mailservers/read_mail.py" "$delivered" "$spooled" |
  /usr/bin/python3 -c '
import json, sys
subject = sys.argv[1]
mail, spool = (json.loads(line) for line in sys.stdin)
assert mail["defects"] == [], mail["defects"]
assert mail["to"] == [{"name": "Yamada, Taro", "addr": "taro.y@example.jp"}], mail["to"]
assert spool["envelope_to"] == ["taro.y@example.jp"], spool["envelope_to"]
assert mail["subject"] == "Re:  " + subject, mail["subject"]
assert mail["text"].replace("\r\n", "\n").startswith("お見積りをお送りします。\nご確認ください。"), mail["text"]
print("reply ok: To", mail["to"][0], "RCPT TO", spool["envelope_to"])
' "$subject"
