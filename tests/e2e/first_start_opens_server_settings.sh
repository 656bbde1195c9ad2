#!/usr/bin/env bash
# A first start in an empty program folder, in a real window on a virtual display: the main
# window appears and the server settings window opens by itself, above it and beside it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/xvfb.sh"
program_dir=$1

folder=$(program_folder_copy "$program_dir")
trap 'stop_started; rm -rf "$folder"' EXIT
start_xvfb

"$folder/tessaly" >"$folder/out.log" 2>&1 &
started_pids+=($!)
app_pid=$!

main=$(window_id 'zer、ido　新着メールで')
server=$(window_id 'サーバー設定')

# Without a window manager X keeps windows in the order they were raised; xwininfo lists the
# root's children top first, so the server settings window must come before the main window.
order=$(xwininfo -root -children | grep -o -E '0x[0-9a-f]+' | tail -n +2)
main_hex=$(printf '0x%x' "$main")
server_hex=$(printf '0x%x' "$server")
main_at=$(grep -n -x "$main_hex" <<<"$order" | cut -d: -f1)
server_at=$(grep -n -x "$server_hex" <<<"$order" | cut -d: -f1)
if [ -z "$main_at" ] || [ -z "$server_at" ] || [ "$server_at" -ge "$main_at" ]; then
  echo "server settings window is not above the main window (main $main_at, server $server_at)" >&2
  exit 1
fi

# The server window opens beside the main window it came from, on the screen, where it leaves
# the main window's buttons (受信 among them) in reach.
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/M_/')"
eval "$(xdotool getwindowgeometry --shell "$server" | sed 's/^/S_/')"
eval "$(xdotool getdisplaygeometry --shell | sed 's/^/D_/')"
if ((S_X < 0 || S_Y < 0 || S_X + S_WIDTH > D_WIDTH || S_Y + S_HEIGHT > D_HEIGHT)); then
  echo "server settings window is not on the screen ($S_X,$S_Y ${S_WIDTH}x$S_HEIGHT)" >&2
  exit 1
fi
receive_x=$((M_X + 452)) receive_y=$((M_Y + 240))
if ((receive_x >= S_X && receive_x < S_X + S_WIDTH && receive_y >= S_Y && receive_y < S_Y + S_HEIGHT)); then
  echo "server settings window covers 受信 of the main window" >&2
  exit 1
fi

# Starting left no file behind: nothing is saved until the user presses 設定.
if [ -e "$folder/zelvin.ini" ]; then
  echo "a first start wrote zelvin.ini" >&2
  exit 1
fi
kill -0 "$app_pid"
echo "main window $main_hex, server settings $server_hex above it and beside it"
