#!/usr/bin/env bash
# Two starts on one program folder, as a double start from the desktop menu gives them: the
# second copy says that the program is already running and ends, the first runs on. A copy that
# died without releasing its lock does not keep the next start out.
#
#   one_copy_per_folder.sh BUILT_PROGRAM_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/xvfb.sh"

folder=$(program_folder_copy "$1")
trap 'stop_started; rm -rf "$folder"' EXIT
write_example_settings "$folder"
lock="$folder/★MAilData/tessaly.lock"
main_title='zer、ido　新着メールで'

fail() { echo "$*" >&2; cat "$folder"/*.log >&2; exit 1; }
main_windows() { xdotool search --onlyvisible --name "$main_title" 2>/dev/null | wc -l; }

start_xvfb
QT_QPA_PLATFORM=xcb "$folder/tessaly" >"$folder/first.log" 2>&1 &
first=$!
started_pids+=($first)
first_window=$(window_id "$main_title")
[ "$(xdotool getwindowpid "$first_window")" = "$first" ] || fail "the main window is not the first copy's"
[ -e "$lock" ] || fail "the running copy holds no lock file"

QT_QPA_PLATFORM=xcb "$folder/tessaly" >"$folder/second.log" 2>&1 &
second=$!
started_pids+=($second)
box=$(window_id '^rudiv$') || fail "the second copy did not say that the program is running"
[ "$(xdotool getwindowpid "$box")" = "$second" ] || fail "the message is not the second copy's"
[ "$(main_windows)" -eq 1 ] || fail "the second copy opened a main window of its own"
sleep 0.3
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 1 100); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$second" 2>/dev/null; then fail "the second copy did not end"; fi
wait "$second" || fail "the second copy ended with an error"
kill -0 "$first" || fail "the first copy ended"
[ "$(main_windows)" -eq 1 ] || fail "the first copy's main window is gone"
xdotool getwindowname "$first_window" >/dev/null || fail "the first copy's main window is gone"

# A copy killed outright leaves its lock file behind; the next start takes it over.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
[ -e "$lock" ] || fail "the killed copy's lock file is gone, nothing left to take over"
QT_QPA_PLATFORM=xcb "$folder/tessaly" >"$folder/third.log" 2>&1 &
third=$!
started_pids+=($third)
third_window=$(window_id "$main_title") || fail "the lock of a dead copy kept the next start out"
if xdotool search --onlyvisible --name '^rudiv$' >/dev/null 2>&1; then
  fail "the next start after a dead copy was told that the program is running"
fi
[ "$(xdotool getwindowpid "$third_window")" = "$third" ] || fail "the main window is not the new copy's"
kill -0 "$third"
echo "one copy per program folder: the second start ended, a dead copy's lock was taken over"
