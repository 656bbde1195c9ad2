#!/usr/bin/env bash
# A first start in an empty program folder, in a real window on a virtual display: the main
# window appears and the server settings window opens over it by itself.
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

# The two windows overlap: the server window sits over the main window, not somewhere else.
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/M_/')"
eval "$(xdotool getwindowgeometry --shell "$server" | sed 's/^/S_/')"
if ((S_X >= M_X + M_WIDTH || S_X + S_WIDTH <= M_X || S_Y >= M_Y + M_HEIGHT || S_Y + S_HEIGHT <= M_Y)); then
  echo "server settings window does not lie over the main window" >&2
  exit 1
fi

# Starting left no file behind: nothing is saved until the user presses 設定.
if [ -e "$folder/zelvin.ini" ]; then
  echo "a first start wrote zelvin.ini" >&2
  exit 1
fi
kill -0 "$app_pid"
echo "main window $main_hex, server settings $server_hex above it"
