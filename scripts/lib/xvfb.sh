# Shell helpers for running Tessaly in a real X window on a private virtual display.
# Source this file; it defines make_work_folder, start_xvfb, stop_started, window_id, program_folder_copy,
# write_example_settings and the steps of an end-to-end test: fail, wait_for, no_window, click
# and reply_to_first_mail. fail shows the program's output from the file named by program_log.

started_pids=()
xvfb_lib_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A temporary folder for the test's mail servers and program folder, $work: when the script ends
# the display and programs it started are stopped, the servers in $work/servers too, and the
# folder is removed.
make_work_folder() {
  work=$(mktemp -d)
  chmod 755 "$work"  # Dovecot's unprivileged processes must reach the servers below it
  trap 'stop_started; "$xvfb_lib_top/scripts/mailservers/stop.sh" "$work/servers"; rm -rf "$work"' EXIT
}

# Starts Xvfb on a free display and exports DISPLAY. The server's PID is remembered so that
# stop_started ends only what this script started. -noreset: an X server resets when its last
# client leaves, and a program started in that moment (a test that kills one copy and starts the
# next) is refused the display.
start_xvfb() {
  local fifo display
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  started_pids+=($!)
  read -r -t 20 display <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$display"
}

stop_started() {
  local pid
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${started_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  started_pids=()
}

# Waits up to 60 s for a visible window whose title matches and prints its id.
window_id() {
  local title=$1 id i
  for ((i = 0; i < 300; i++)); do
    # xdotool fails while there is no such window: not a reason to end a script run with -e.
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  echo "no window titled '$title' appeared" >&2
  return 1
}

# Copies a built program folder (executable, help page and the two empty data folders) to a
# new temporary folder and prints its path.
program_folder_copy() {
  local from=$1 to
  to=$(mktemp -d)
  cp "$from/tessaly" "$to/"
  cp -r "$from/help" "$to/"
  mkdir -p "$to/★MAilData" "$to/添付フォルダ"
  echo "$to"
}

program_log=/dev/null

# Says what went wrong, with the visible windows and the program's output, and ends the script.
fail() {
  echo "$*" >&2
  echo "windows:" >&2
  xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r id; do
    echo "  $(xdotool getwindowname "$id")" >&2
  done
  cat "$program_log" >&2
  exit 1
}

# Polls a condition (a shell command) every 0.1 s for up to 30 s.
wait_for() {
  local what=$1 deadline=$((SECONDS + 30))
  shift
  while ((SECONDS < deadline)); do
    "$@" && return 0
    sleep 0.1
  done
  fail "timed out waiting for $what"
}

no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Clicks at a point given in the window's own pixels.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# From the main window: "着信履歴", the first line of the list, "返事を出す"; prints the reply
# window's id. Positions are the controls' centres in the windows' own pixels (twips / 15).
reply_to_first_mail() {
  local main=$1 viewer bar
  click "$main" 396 256                                  # 着信履歴
  viewer=$(window_id '着信履歴')
  sleep 0.5
  # The viewer's controls sit below its menu bar: the window is the design height plus the bar.
  eval "$(xdotool getwindowgeometry --shell "$viewer" | sed 's/^/V_/')"
  bar=$((V_HEIGHT - 454))
  click "$viewer" 200 $((bar + 96 + 8))                  # the first line of the list
  sleep 0.3
  click "$viewer" 304 $((bar + 52))                      # 返事を出す
  window_id '^返事を出す$'
}

# Configures an example account in the program folder, so that no server settings window opens
# by itself at the start.
write_example_settings() {
  printf 'SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=taro@example.jp\r\nAPOP=0\r\n' >"$1/zelvin.ini"
}
