#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tessaly on a demo account: loopback mail servers
# with a few sample mails, and a program folder (build/demo/program) set up for them. Press
# "受信" to fetch them. The demo servers stop when the program ends.
#
# Your own account: start build/program/tessaly (or an installed copy) instead and enter the
# account under "設定"; see README.md.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${BUILD_DIR:-$top/build}
demo=$build/demo
program=$("$top/scripts/demo/prepare.sh" "$demo" "$build/program")
trap '"$top/scripts/mailservers/stop.sh" "$demo/servers"' EXIT

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$program/tessaly"
else
  echo "No display found: starting Tessaly on a virtual X display (xvfb-run)."
  xvfb-run -a -s "-screen 0 1024x768x24" "$program/tessaly"
fi
