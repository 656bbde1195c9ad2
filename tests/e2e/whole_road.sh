#!/usr/bin/env bash
# The whole road in real windows, as a person takes it: "新規作成" with a Japanese subject, body
# and an attachment chosen in the file dialog, "送信" to the demo account; "受信" (the wheel
# spins); "着信履歴", the line, "返事を出す", "送信". Then the histories, the attachment folder
# and the server's mailbox are checked byte by byte (check_whole_road.py).
#
#   whole_road.sh BUILT_PROGRAM_FOLDER
#
# Japanese text is typed with xdotool on a keyboard map that has a key for every character
# (keymap_with.py); every typed text is checked in the stored bytes afterwards.
set -euo pipefail
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1

subject='打ち合わせの件について（第２回）'
body_lines=('山田様、いつもお世話になっております。' '資料を添付いたします。ご確認ください。')

make_work_folder
program=$("$top/scripts/demo/prepare.sh" "$work" "$built")
maildir=$work/servers/home/demo/Maildir
# The road starts with an empty mailbox: the only mails are the ones this test sends.
find "$maildir/new" "$maildir/cur" -type f -delete
mkdir "$work/outbox"
attachment=$work/outbox/見積書_e2e.bin
/usr/bin/python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)) * 12 + b"\r\n.\r\n\0end")' >"$attachment"
program_log=$work/tessaly.log

mails_on_server() { [ "$(find "$maildir/new" "$maildir/cur" -type f | wc -l)" -eq "$1" ]; }
file_of_size() { [ -f "$1" ] && [ "$(stat -c %s "$1")" -eq "$2" ]; }
type_text() { xdotool type --delay 40 "$1"; }

start_xvfb
QT_QPA_PLATFORM=xcb "$program/tessaly" >"$work/tessaly.log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
# Every character to type gets a key of its own, while the program is connected (the display
# resets its keyboard map when its last client leaves).
xkbcomp -w 0 -xkb "$DISPLAY" - |
  /usr/bin/python3 "$here/keymap_with.py" "$subject" "${body_lines[@]}" "$attachment" |
  xkbcomp -w 0 - "$DISPLAY"
sleep 1
# The wheel before any spin: no marker, "Start" enabled.
import -window "$main" "$work/before.png"

# Positions are the controls' centres in the windows' own pixels (twips / 15).
click "$main" 396 240                                    # 新規作成
write=$(window_id '新規作成')
sleep 0.3
click "$write" 260 90 && type_text demo@localhost         # 宛先
click "$write" 260 114 && type_text "$subject"           # 件名
click "$write" 100 220                                   # 本文
type_text "${body_lines[0]}" && xdotool key Return && type_text "${body_lines[1]}"
click "$write" 36 162                                    # 添付File
window_id '^開く$' >/dev/null
sleep 0.3
type_text "$attachment" && xdotool key Return
wait_for "the file dialog to close" no_window '^開く$'
# The dialog's window goes before its modal loop ends; until then clicks on the form are lost.
sleep 0.5
sent_from=$(date +%s)
click "$write" 52 20                                     # 送信
wait_for "the mail on the server" mails_on_server 1
wait_for "the compose window to close" no_window '^新規作成$'
sent_to=$(date +%s)
file_of_size "$program/★MAilData/zeldata5.data" 20284 || fail "no sent record"

click "$main" 452 240                                    # 受信
wait_for "the received record" file_of_size "$program/★MAilData/zeldata2.data" 20284
marker_on() {
  import -window "$main" "$work/$1.png"
  /usr/bin/python3 "$here/wheel_marker.py" slot "$work/before.png" "$work/$1.png" 2>/dev/null
}
during1=$(wait_for "the wheel to start" marker_on spin1)
# A later picture shows the marker elsewhere (a picture may by chance come a whole turn later).
marker_moved() { during2=$(marker_on spin2) && [ "$during2" != "$during1" ]; }
wait_for "the marker to move" marker_moved
mails_on_server 0 || fail "the received mail is still on the server"
# The wheel has stopped when "Start" is enabled again (a spin lasts 8 to 13 seconds).
at_rest() {
  import -window "$main" "$work/rest.png"
  /usr/bin/python3 "$here/wheel_marker.py" start-idle "$work/before.png" "$work/rest.png"
}
wait_for "the wheel to stop" at_rest
rest=$(/usr/bin/python3 "$here/wheel_marker.py" slot "$work/before.png" "$work/rest.png")

reply=$(reply_to_first_mail "$main")
sleep 0.3
click "$reply" 144 20                                    # 送信
wait_for "the reply on the server" mails_on_server 1
wait_for "the reply window to close" no_window '^返事を出す$'

/usr/bin/python3 "$here/check_whole_road.py" "$program" "$maildir" "$attachment" \
  "$sent_from" "$sent_to" "$subject" "${body_lines[@]}"
echo "whole road ok: marker on slots $during1 and $during2 while spinning, at rest on $rest"
