#!/usr/bin/env bash
# Starts popa3d as a POP3 server of the tests on 127.0.0.1:PORT, for the given users (password
# "secret-USER"), and prints the PID to stop it by.
#
#   popa3d.sh DIR PORT USER ...
#
# Debian's popa3d cannot be installed beside Dovecot (both provide pop3-server), so
# install-deps.sh unpacks its package into /opt/tessaly-deps/popa3d (POPA3D names another
# binary). popa3d authenticates system users through PAM, reads the mailbox /var/mail/USER and
# chroots its unprivileged half into /var/lib/popa3d, all fixed when it was built. It runs here
# chrooted into DIR/root, a system of its own: its own passwd, shadow, group and pam.d, its own
# /var/mail, and the machine's /usr bound in read-only. That bind mount is made in a private mount
# namespace (unshare --mount), which no other process sees and which ends with the server: the
# machine's own files are neither changed nor shadowed. Needs root.
#
# popa3d is built for inetd; popa3d_inetd.py listens on the port and starts one popa3d per
# connection. popa3d's log and the listener's go to DIR/popa3d.log.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: popa3d.sh DIR PORT USER ...}
port=${2:?usage: popa3d.sh DIR PORT USER ...}
shift 2
binary=${POPA3D:-/opt/tessaly-deps/popa3d/usr/sbin/popa3d}
if [ ! -x "$binary" ]; then
  echo "popa3d is missing at $binary: run scripts/install-deps.sh as root" >&2
  exit 1
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root=$dir/root
mkdir -p "$root"/{usr,etc/pam.d,dev,sbin,var/mail,var/lib/popa3d}
# The machine's top-level links into /usr (bin, lib, lib64 … on a merged /usr) are made again in
# the root; a real folder there would be bound in like /usr.
bound=(usr)
for entry in bin lib lib32 lib64 libx32; do
  if [ -L "/$entry" ]; then
    ln -sfn "$(readlink "/$entry")" "$root/$entry"
  elif [ -d "/$entry" ]; then
    mkdir -p "$root/$entry"
    bound+=("$entry")
  fi
done
cp "$binary" "$root/sbin/popa3d"

# The unprivileged half runs as "popa3d"; the mailbox users all map to the machine's "mail"
# user, who owns their mailboxes, as in the other servers' Maildirs.
mail_uid=$(id -u mail)
mail_gid=$(id -g mail)
{
  echo "root:x:0:0:root:/root:/usr/sbin/nologin"
  echo "popa3d:x:65534:65534:popa3d:/var/lib/popa3d:/usr/sbin/nologin"
  for u in "$@"; do echo "$u:x:$mail_uid:$mail_gid:$u:/var/mail:/usr/sbin/nologin"; done
} > "$root/etc/passwd"
{
  echo "root:*:19700:0:99999:7:::"
  echo "popa3d:!:19700:0:99999:7:::"
  for u in "$@"; do echo "$u:$(openssl passwd -6 "secret-$u"):19700:0:99999:7:::"; done
} > "$root/etc/shadow"
chmod 600 "$root/etc/shadow"
printf 'root:x:0:\nmail:x:%s:\nnogroup:x:65534:\n' "$mail_gid" > "$root/etc/group"
printf 'passwd: files\ngroup: files\nshadow: files\n' > "$root/etc/nsswitch.conf"
printf 'auth required pam_unix.so\naccount required pam_unix.so\n' > "$root/etc/pam.d/popa3d"
printf 'auth required pam_deny.so\naccount required pam_deny.so\n' > "$root/etc/pam.d/other"
for u in "$@"; do
  install -m 600 -o "$mail_uid" -g "$mail_gid" /dev/null "$root/var/mail/$u"
done

# Inside the namespace: bind the machine's folders in read-only, then become the listener (one
# PID from here on, so that stop.sh ends it by the PID printed below).
inside='set -e
root=$1 port=$2 listener=$3
shift 3
for entry in "$@"; do
  mount --bind "/$entry" "$root/$entry"
  mount -o remount,bind,ro "$root/$entry"
done
exec /usr/bin/python3 "$listener" --root "$root" --port "$port" --server /sbin/popa3d'
unshare --mount --propagation private -- /bin/sh -c "$inside" sh "$root" "$port" "$here/popa3d_inetd.py" \
  "${bound[@]}" > "$dir/popa3d.log" 2>&1 &
echo $!
