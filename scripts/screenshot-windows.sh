#!/usr/bin/env bash
# Writes screenshots of the windows a new user meets first into docs/ (override with SHOTS_DIR):
#   screenshot-compose-attachments.png  the compose window with three attachments listed
#   screenshot-idpass.png               the ID/password window with a stored ID
#   screenshot-server-settings.png      the server settings window
#   screenshot-main-help.png            the main window explaining "Start" in its help box
# Needs a build (scripts/build.sh). Everything is driven with the mouse and the keyboard in a
# real window on a private virtual display.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/xvfb.sh"
shots=${SHOTS_DIR:-$top/docs}
folder=$(program_folder_copy "${BUILD_DIR:-$top/build}/program")
trap 'stop_started; rm -rf "$folder"' EXIT
write_example_settings "$folder"
printf '[EXEINI]\r\nNAME=taro.yamada\r\nNAME2=secret\r\nNAME3=1\r\n' >"$folder/★MAilData/iniIdPass.ini"
chmod 600 "$folder/★MAilData/iniIdPass.ini"  # it holds the password: the program narrows any other file and says so
mkdir "$folder/outbox"
attachments=("$folder/outbox/estimate-2026.pdf" "$folder/outbox/meeting-room.png" "$folder/outbox/agenda.txt")
for file in "${attachments[@]}"; do echo "sample" >"$file"; done
subject='打ち合わせ資料の送付'
body='いつもお世話になっております。資料を三点お送りします。'

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Waits until no visible window has the title any more.
gone() {
  local i
  for ((i = 0; i < 150; i++)); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  echo "the window '$1' stayed open" >&2
  return 1
}
shoot() { import -window "$1" "$shots/$2" && echo "wrote $shots/$2"; }

start_xvfb
QT_QPA_PLATFORM=xcb "$folder/tessaly" >"$folder/tessaly.log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
# A key for every character to type, while the program is connected.
xkbcomp -w 0 -xkb "$DISPLAY" - | /usr/bin/python3 "$top/tests/e2e/keymap_with.py" "$subject" "$body" |
  xkbcomp -w 0 - "$DISPLAY"
sleep 1
mkdir -p "$shots"

# Positions are the controls' centres in the windows' own pixels (twips / 15).
xdotool mousemove --window "$main" 48 320  # over "Start": its help text
sleep 0.5
shoot "$main" screenshot-main-help.png

click "$main" 452 272                      # 設定
chooser=$(window_id '^設定$')
sleep 0.3
click "$chooser" 152 20                    # POPサーバー
server=$(window_id '^サーバー設定$')
sleep 0.5
shoot "$server" screenshot-server-settings.png
xdotool key Escape
gone '^サーバー設定$'

click "$chooser" 56 20                     # ID/PASS
idpass=$(window_id '^ID,PASS$')
sleep 0.3
click "$idpass" 36 76                      # the save box
sleep 0.3
shoot "$idpass" screenshot-idpass.png
xdotool key Escape
gone '^ID,PASS$'

click "$main" 396 240                      # 新規作成
write=$(window_id '^新規作成$')
sleep 0.3
click "$write" 260 90 && xdotool type --delay 30 hanako@example.jp   # 宛先
click "$write" 260 114 && xdotool type --delay 40 "$subject"         # 件名
click "$write" 200 260 && xdotool type --delay 40 "$body"            # 本文
for i in 0 1 2; do
  if [ "$i" -eq 0 ]; then click "$write" 36 162; else click "$write" 92 162; fi  # 添付File, 追加
  window_id '^開く$' >/dev/null
  sleep 0.3
  xdotool type --delay 20 "${attachments[$i]}" && xdotool key Return
  gone '^開く$'
  sleep 0.5
done
xdotool mousemove --window "$write" 200 300  # over the body: the help box goes
sleep 0.3
shoot "$write" screenshot-compose-attachments.png
