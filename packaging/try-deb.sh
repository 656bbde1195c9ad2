#!/usr/bin/env bash
# Builds the Debian package, installs it for a moment and takes a first start the way a new user
# would: the launcher must lay out the user's own program folder and the program must open its
# main window and, with no account set, the server settings. The package is removed afterwards
# (run as root; refuses when a tessaly package is already installed).
#
#   packaging/try-deb.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: try-deb.sh BUILD_DIR}" && pwd)
source "$top/scripts/lib/xvfb.sh"

if dpkg-query -W -f='${Status}' tessaly 2>/dev/null | grep -q "ok installed"; then
  echo "a tessaly package is installed already; not touching it" >&2
  exit 1
fi
(cd "$build" && cpack >/dev/null)
deb=$(ls "$build"/packages/tessaly_*.deb)
home=$(mktemp -d)
trap 'stop_started; dpkg -r tessaly >/dev/null 2>&1 || true; rm -rf "$home"' EXIT
dpkg -i "$deb" >/dev/null

for path in /opt/tessaly/tessaly /opt/tessaly/help/index.html /usr/bin/tessaly \
  /usr/share/applications/tessaly.desktop /usr/share/icons/hicolor/32x32/apps/tessaly.png; do
  [ -e "$path" ] || { echo "the package did not install $path" >&2; exit 1; }
done

start_xvfb
HOME=$home QT_QPA_PLATFORM=xcb tessaly >"$home/tessaly.log" 2>&1 &
started_pids+=($!)
main=$(window_id 'zer、ido　新着メールで')
settings=$(window_id 'サーバー設定')

folder=$home/.local/share/tessaly
cmp -s /opt/tessaly/tessaly "$folder/tessaly" || { echo "no copy of the program in $folder" >&2; exit 1; }
[ "$(readlink "$folder/help")" = /opt/tessaly/help ] || { echo "no help link in $folder" >&2; exit 1; }
[ "$(stat -c %a "$folder/★MAilData")" = 700 ] || { echo "the data folder is not private" >&2; exit 1; }
[ -d "$folder/添付フォルダ" ] || { echo "no attachment folder in $folder" >&2; exit 1; }
echo "$(basename "$deb"): installed; the first start laid out $folder and opened windows $main and $settings"
