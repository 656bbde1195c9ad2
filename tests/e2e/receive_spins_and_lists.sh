#!/usr/bin/env bash
# The main job in a real window: the real tessaly in a prepared program folder, "受信" pressed
# with the mouse, fetches the sample mails from a loopback Dovecot, stores byte-correct records,
# empties the mailbox and spins the wheel; "着信履歴" then lists the mails.
#
#   receive_spins_and_lists.sh BUILT_PROGRAM_FOLDER [SCREENSHOT_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
source "$top/scripts/lib/xvfb.sh"
built=$1
shots=${2:-}

make_work_folder
program=$("$top/scripts/demo/prepare.sh" "$work" "$built")
maildir=$work/servers/home/demo/Maildir
history="$program/★MAilData/zeldata2.data"

start_xvfb
QT_QPA_PLATFORM=xcb "$program/tessaly" >"$work/tessaly.log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
sleep 1

# The buttons' centres in the window's own pixels (twips / 15).
xdotool mousemove --window "$main" 452 240 click 1   # 受信

# The records are written first; the server deletes the mails when the session ends after them.
on_server() { find "$maildir/new" "$maildir/cur" -type f | wc -l; }
for _ in $(seq 1 150); do
  [ -f "$history" ] && [ "$(stat -c %s "$history")" -eq $((3 * 20284)) ] && [ "$(on_server)" -eq 0 ] && break
  sleep 0.2
done
if [ "$(stat -c %s "$history" 2>/dev/null || echo 0)" -ne $((3 * 20284)) ]; then
  echo "the received history does not hold three records" >&2
  cat "$work/tessaly.log" >&2
  exit 1
fi
left=$(on_server)
[ "$left" -eq 0 ] || { echo "$left mails are still on the server" >&2; exit 1; }

# The wheel turns: two pictures a moment apart differ where the marker moved.
sleep 0.5
import -window "$main" "$work/spin1.png"
sleep 0.7
import -window "$main" "$work/spin2.png"
changed=$(compare -metric AE "$work/spin1.png" "$work/spin2.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 0 ] 2>/dev/null || { echo "the wheel did not move (changed pixels: $changed)" >&2; exit 1; }

/usr/bin/python3 "$here/check_received_records.py" "$history"

xdotool mousemove --window "$main" 396 256 click 1   # 着信履歴
viewer=$(window_id '着信履歴')
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$work/spin2.png" "$shots/screenshot-receive.png"
  sleep 0.5
  import -window "$viewer" "$shots/screenshot-history.png"
fi
echo "three mails received, stored and listed; the wheel moved ($changed pixels changed)"
