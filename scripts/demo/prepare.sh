#!/usr/bin/env bash
# Lays out a demo: loopback mail servers in DIR/servers (plain text, user "demo"), a few sample
# mails in its mailbox, and a program folder DIR/program whose settings point at them.
#
#   prepare.sh DIR BUILT_PROGRAM_FOLDER
# Stop the servers afterwards with scripts/mailservers/stop.sh DIR/servers.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: prepare.sh DIR BUILT_PROGRAM_FOLDER}
built=${2:?usage: prepare.sh DIR BUILT_PROGRAM_FOLDER}

MAILSERVERS_TLS=off "$here/../mailservers/start.sh" "$dir/servers" demo >/dev/null
source "$dir/servers/servers.env"
"$here/seed-mails.py" "$HOME_DIR/demo/Maildir"

program=$dir/program
mkdir -p "$program/★MAilData" "$program/添付フォルダ"
cp "$built/tessaly" "$program/"
rm -rf "$program/help" && cp -r "$built/help" "$program/"
# The servers get new ports at every start, so the settings are written anew each time.
printf 'SMTP=127.0.0.1:%s\r\nPOP3=127.0.0.1:%s\r\nMAIL=demo@localhost\r\nAPOP=1\r\n' \
  "$SMTP_PORT" "$POP3_PORT" >"$program/zelvin.ini"
printf '[EXEINI]\r\nNAME=demo\r\nNAME2=secret-demo\r\nNAME3=1\r\n' >"$program/★MAilData/iniIdPass.ini"
chmod 600 "$program/★MAilData/iniIdPass.ini"
echo "$program"
