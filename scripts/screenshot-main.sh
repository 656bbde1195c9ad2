#!/usr/bin/env bash
# Writes docs/screenshot-main.png: the main window of a configured program, with the wheel
# spinning after a press of "Start". Needs a build (scripts/build.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/xvfb.sh"
folder=$(program_folder_copy "${BUILD_DIR:-$top/build}/program")
trap 'stop_started; rm -rf "$folder"' EXIT
write_example_settings "$folder"

start_xvfb
QT_QPA_PLATFORM=xcb "$folder/tessaly" >/dev/null 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
sleep 1.5  # the clock's first tick
# The Start button's centre, in the window's own pixels.
xdotool mousemove --window "$main" 48 320 click 1
xdotool mousemove --window "$main" 400 120  # over the wheel picture: empties the help box
sleep 2.5
mkdir -p "$top/docs"
import -window "$main" "$top/docs/screenshot-main.png"
echo "wrote $top/docs/screenshot-main.png"
