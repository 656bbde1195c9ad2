#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tessaly from its program folder build/program.
# Without a display, the program runs on a virtual one (Xvfb) so it can at least be looked at
# with a screenshot.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
program=${BUILD_DIR:-$top/build}/program/tessaly
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi
echo "No display found: starting Tessaly on a virtual X display (xvfb-run)."
exec xvfb-run -a -s "-screen 0 1024x768x24" "$program"
