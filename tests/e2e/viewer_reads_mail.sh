#!/usr/bin/env bash
# Reading mail as people read it, in real windows: an HTML newsletter, phone mail with emoji,
# a forwarded mail and a mail with a photo are received from a loopback Dovecot; the history
# window opens beside the main window (受信 stays in reach) and is then used with the keyboard
# only: each move of the selection shows its mail (read back from the clipboard, which holds
# the text shown), the emoji text is exact, the forwarded mail reads inline, and "１件削除"
# deletes the mail on screen. The photo's line opens the photo and the file menu the attachment
# folder, through a stub xdg-open on PATH.
#
#   viewer_reads_mail.sh BUILT_PROGRAM_FOLDER [SCREENSHOT_DIR]
set -euo pipefail
trap 'echo "failed: line $LINENO: $BASH_COMMAND" >&2' ERR
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1
shots=${2:-}

make_work_folder
program=$("$top/scripts/demo/prepare.sh" "$work" "$built")
maildir=$work/servers/home/demo/Maildir
history="$program/★MAilData/zeldata2.data"
find "$maildir/new" "$maildir/cur" -type f -delete
/usr/bin/python3 "$here/reading_mails.py" "$maildir" "$top/tests/mail/data/html/shop-sale.html"
program_log=$work/tessaly.log

# The desktop's opener, as "HP" and the attachment links call it: it only notes what it was asked.
mkdir "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$work/opened.txt" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

records() { [ -f "$history" ] && [ "$(stat -c %s "$history")" -eq $(($1 * 20284)) ]; }
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
clipboard_has() { clipboard | grep -qF -- "$1"; }
key() { xdotool key --delay 150 "$@"; sleep 0.4; }
shot() { [ -z "$shots" ] || { sleep 0.3; import -window "$viewer" "$shots/$1"; }; }

start_xvfb
PATH=$work/bin:$PATH QT_QPA_PLATFORM=xcb "$program/tessaly" >"$program_log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
sleep 1
click "$main" 452 240                                    # 受信
wait_for "four records" records 4

click "$main" 396 256                                    # 着信履歴
viewer=$(window_id '着信履歴')
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/M_/')"
eval "$(xdotool getwindowgeometry --shell "$viewer" | sed 's/^/V_/')"
receive_x=$((M_X + 452)) receive_y=$((M_Y + 240))
if ((receive_x >= V_X && receive_x < V_X + V_WIDTH && receive_y >= V_Y && receive_y < V_Y + V_HEIGHT)); then
  fail "the history window covers 受信 (main at $M_X,$M_Y; history $V_X,$V_Y ${V_WIDTH}x$V_HEIGHT)"
fi
# Large enough that the newsletter's price table is on screen.
xdotool windowsize --sync "$viewer" 1000 740
xdotool windowmove --sync "$viewer" 0 0
[ -z "$shots" ] || mkdir -p "$shots"

# From here on only keys: the list has them first, its first line the focus mark.
xdotool windowfocus --sync "$viewer"
key space                                                # the newsletter
wait_for "the newsletter on screen" clipboard_has '北欧柄マグカップ  5,980円  3,980円（税込）'
clipboard_has '配信停止はこちら <https://shop.example.jp/mail/unsubscribe?u=55120&k=9f3a>' ||
  fail "the unsubscribe address is not shown: $(clipboard | head -c 2000)"
shot screenshot-viewer-html.png
key Down                                                 # the phone mail
wait_for "the emoji mail exactly as sent" clipboard_has 'ツリーきれいだった🎄'
clipboard_has 'ケーキは¥8,980でした😋' || fail "the yen sign or emoji are not exact: $(clipboard)"
shot screenshot-viewer-emoji.png
key Down                                                 # the forwarded mail
wait_for "the forwarded mail inline" clipboard_has '差出人: 佐藤 一郎 <sato@example.co.jp>'
clipboard_has '明日の打ち合わせは10時から、3階の会議室です。' || fail "the forwarded text is missing: $(clipboard)"
shot screenshot-viewer-forwarded.png

key Up                                                   # back to the phone mail,
wait_for "the emoji mail again" clipboard_has 'ツリーきれいだった🎄'
key Tab space                                            # "１件削除"
window_id '^確認$' >/dev/null
key Return                                               # はい
wait_for "three records" records 3
/usr/bin/python3 - "$history" <<'PY' || fail "the deleted mail is not the one that was shown"
import sys
data = open(sys.argv[1], 'rb').read()
subjects = [data[i:i + 100].decode('cp932').strip() for i in range(0, len(data), 20284)]
sys.exit(0 if subjects == ['秋の大感謝セール開催中', 'Fwd: 打ち合わせの件', '写真を送ります'] else 1)
PY

# Without a window manager nobody gives the keys back to the window when the question closes.
xdotool windowfocus --sync "$viewer"
key shift+Tab End                                        # the photo mail
wait_for "the photo mail" clipboard_has 'filename="photo.jpg"'
sleep 0.3
import -window "$viewer" "$work/photo.png"
# The link is drawn in its own blue; the middle of its pixels is on the file name.
read -r link_x link_y < <(convert "$work/photo.png" -depth 8 txt:- | awk -F'[,: ]+' '/#0000EE/ {x += $1; y += $2; n++}
  END {if (n) printf "%d %d\n", x / n, y / n - 3}')
[ -n "${link_x:-}" ] || fail "no link is drawn in the photo mail"
click "$viewer" "$link_x" "$link_y"
opened_has() { [ -f "$work/opened.txt" ] && /usr/bin/python3 -c 'import sys, urllib.parse
sys.exit(0 if sys.argv[2] in urllib.parse.unquote(open(sys.argv[1]).read()) else 1)' "$work/opened.txt" "$1"; }
wait_for "the photo handed to the desktop" opened_has "添付フォルダ/photo.jpg"
xdotool windowfocus --sync "$viewer"
key alt+f Down Down Down Down Return                     # ファイル → 添付フォルダを開く
wait_for "the attachment folder handed to the desktop" opened_has "$program/添付フォルダ"
echo "four mails read with the keyboard: HTML with its links, exact emoji, the forwarded mail; the shown mail deleted; the photo and the folder opened"
