#!/usr/bin/env bash
# Stops the servers start.sh started in DIR, by the PIDs it recorded.
set -uo pipefail
dir=${1:?usage: stop.sh DIR}
pids=()
for name in dovecot smtpd pop3d postfix exim popa3d; do
  pidfile=$dir/$name.pid
  [ -f "$pidfile" ] || continue
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null && pids+=("$pid")
  rm -f "$pidfile"
done
for pid in "${pids[@]}"; do
  for _ in $(seq 1 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null || true
done
# Dovecot refuses to start over a stale pid file or penalty socket left by a hard kill.
rm -f "$dir/dovecot/run/master.pid" "$dir/dovecot/run/anvil-auth-penalty"
exit 0
