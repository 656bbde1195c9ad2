# Shell helpers for running Tessaly in a real X window on a private virtual display.
# Source this file; it defines start_xvfb, stop_started, window_id, program_folder_copy and
# write_example_settings.

started_pids=()

# Starts Xvfb on a free display and exports DISPLAY. The server's PID is remembered so that
# stop_started ends only what this script started.
start_xvfb() {
  local fifo display
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
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
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1)
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

# Configures an example account in the program folder, so that no server settings window opens
# by itself at the start.
write_example_settings() {
  printf 'SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=taro@example.jp\r\nAPOP=0\r\n' >"$1/zelvin.ini"
}
