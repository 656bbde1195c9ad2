#!/usr/bin/env bash
# Starts the loopback mail servers of the tests: Dovecot (POP3 with STLS, POP3S, plain and APOP
# logins, Maildir), GNU Mailutils pop3d as a second POP3 server (plain text, users logging in as
# USER@localhost with a password and no APOP secret), popa3d as a third (plain text, mbox files,
# system users of a chroot of its own: see popa3d.sh), an SMTP server on aiosmtpd (plain,
# AUTH-required with STARTTLS, implicit TLS), a private Postfix (strict HELO, STARTTLS, AUTH
# through Dovecot; postfix.sh) and a private exim set up alike (exim.sh), all three delivering
# into Dovecot's Maildirs. Everything lives under
# DIR; nothing outside it is touched.
# Writes DIR/servers.env (KEY=VALUE lines) for the tests and DIR/*.pid for stop.sh.
#
#   start.sh DIR [USER ...]     users get the password "secret-USER"
#
# With MAILSERVERS_TLS=off the servers speak plain text only (no STLS, STARTTLS or implicit-TLS
# ports): for the demo and for running the real program, which trusts only the system's CAs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: start.sh DIR [USER ...]}
shift
users=("$@")
((${#users[@]})) || users=(tessa)

"$here/stop.sh" "$dir" 2>/dev/null || true
rm -rf "$dir"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# Dovecot's login processes run unprivileged and must reach their sockets below base_dir.
chmod 755 "$dir"

read -r pop3 pop3s smtp smtpauth smtps mupop3 postfix postfixsub popa3d exim eximsub < <(/usr/bin/python3 - <<'PY'
import socket
socks = [socket.socket() for _ in range(11)]
for s in socks:
    s.bind(("127.0.0.1", 0))
print(*[s.getsockname()[1] for s in socks])
PY
)

# A throw-away CA and a server certificate for 127.0.0.1 and localhost. With
# MAILSERVERS_CERT=self-signed the server certificate signs itself instead, as on many home
# servers (ca.crt is then that certificate).
tls=$dir/tls
mkdir -p "$tls"
(
  cd "$tls"
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n' > ext.cnf
  if [ "${MAILSERVERS_CERT:-}" = self-signed ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
      -subj "/CN=localhost/O=Tessaly Home Server" -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
      -keyout server.key -out server.crt 2>/dev/null
    cp server.crt ca.crt
  else
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
      -subj "/CN=Tessaly Test CA" -keyout ca.key -out ca.crt 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
      -subj "/CN=localhost" -keyout server.key -out server.csr 2>/dev/null
    openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 30 \
      -extfile ext.cnf -out server.crt 2>/dev/null
  fi
  chmod 644 server.key
)

tls_on=${MAILSERVERS_TLS:-on}
if [ "$tls_on" = off ]; then
  dovecot_ssl="ssl = no"
  pop3s_listener=""
  smtpd_tls=(--no-tls)
else
  dovecot_ssl="ssl = yes
ssl_cert = <$tls/server.crt
ssl_key = <$tls/server.key"
  pop3s_listener="inet_listener pop3s {
    address = 127.0.0.1
    port = $pop3s
    ssl = yes
  }"
  smtpd_tls=()
fi

mkdir -p "$dir/dovecot" "$dir/home"
: > "$dir/dovecot/passwd"
for u in "${users[@]}"; do
  echo "$u:secret-$u" >> "$dir/dovecot/passwd"
  mkdir -p "$dir/home/$u/Maildir/"{cur,new,tmp}
done
# Dovecot will not serve mail as root; the Maildirs belong to the system's "mail" user, and
# files the tests (or the SMTP server) drop in stay readable to it.
chown -R mail:mail "$dir/home"
cat > "$dir/dovecot/dovecot.conf" <<CONF
base_dir = $dir/dovecot/run
state_dir = $dir/dovecot/state
log_path = $dir/dovecot/dovecot.log
protocols = pop3
listen = 127.0.0.1
$dovecot_ssl
disable_plaintext_auth = no
auth_mechanisms = plain login apop
first_valid_uid = 8
auth_failure_delay = 0
default_internal_user = dovecot
default_login_user = dovenull
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN $dir/dovecot/passwd
}
userdb {
  driver = static
  args = uid=mail gid=mail home=$dir/home/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3
  }
  $pop3s_listener
}
# Postfix asks this Dovecot whether a SASL login is right.
service auth {
  unix_listener $dir/dovecot/postfix-auth {
    mode = 0666
  }
}
# No delay after a failed login: the tests fail logins on purpose.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
CONF

/usr/sbin/dovecot -F -c "$dir/dovecot/dovecot.conf" > "$dir/dovecot/stdout.log" 2>&1 &
echo $! > "$dir/dovecot.pid"

/usr/bin/python3 "$here/smtpd.py" --home "$dir/home" --spool "$dir/spool" \
  --cert "$tls/server.crt" --key "$tls/server.key" --passwd "$dir/dovecot/passwd" \
  --plain "$smtp" --auth "$smtpauth" --implicit "$smtps" "${smtpd_tls[@]}" > "$dir/smtpd.log" 2>&1 &
echo $! > "$dir/smtpd.pid"

if [ "$tls_on" != off ]; then
  "$here/postfix.sh" "$dir" "$postfix" "$postfixsub" "$tls/server.crt" "$tls/server.key" \
    "$dir/dovecot/postfix-auth" "${users[@]}" > "$dir/postfix.out" 2>&1
  tr -d ' ' < "$dir/postfix/queue/pid/master.pid" > "$dir/postfix.pid"
  "$here/exim.sh" "$dir" "$exim" "$eximsub" "$tls/server.crt" "$tls/server.key" \
    "$dir/dovecot/passwd" "${users[@]}" > "$dir/exim.out" 2>&1
  cp "$dir/exim/exim.pid" "$dir/exim.pid"
fi

# Mailutils greets with an APOP timestamp whatever the account has; mail is kept in a Maildir
# named INBOX in each user's home, in files with LF line ends as a delivery agent writes them.
mu=$dir/mailutils
mkdir -p "$mu/domains" "$mu/home"
: > "$mu/domains/localhost"
for u in "${users[@]}"; do
  echo "$u:$(openssl passwd -6 "secret-$u"):$(id -u mail):$(id -g mail):$u:$mu/home/$u:/bin/false" \
    >> "$mu/domains/localhost"
  mkdir -p "$mu/home/$u/INBOX/"{cur,new,tmp}
done
chown -R mail:mail "$mu/home"
cat > "$mu/pop3d.conf" <<CONF
auth { authentication generic; authorization virtdomain; };
virtdomain { passwd-dir $mu/domains; };
mandatory-locking { enable no; };
server 127.0.0.1:$mupop3 { };
foreground yes;
mode daemon;
CONF
/usr/sbin/pop3d --config-file="$mu/pop3d.conf" > "$mu/pop3d.log" 2>&1 &
echo $! > "$dir/pop3d.pid"

"$here/popa3d.sh" "$dir/popa3d" "$popa3d" "${users[@]}" > "$dir/popa3d.pid"

wait_port() {
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "server on port $1 did not start; see $dir" >&2
  cat "$dir/dovecot/stdout.log" "$dir/smtpd.log" "$mu/pop3d.log" "$dir/postfix.out" "$dir/exim.out" "$dir/popa3d/popa3d.log" >&2 || true
  return 1
}
ports=("$pop3" "$smtp" "$smtpauth" "$mupop3" "$popa3d")
[ "$tls_on" = off ] || ports+=("$pop3s" "$smtps" "$postfix" "$postfixsub" "$exim" "$eximsub")
for p in "${ports[@]}"; do wait_port "$p"; done

# popa3d's listener is up before popa3d itself has run once: one login proves that popa3d
# starts, finds its users and opens their mailboxes.
if ! /usr/bin/python3 - "$popa3d" "${users[0]}" <<'PY'
import poplib, sys
port, user = int(sys.argv[1]), sys.argv[2]
session = poplib.POP3("127.0.0.1", port, timeout=10)
session.user(user)
session.pass_("secret-" + user)
session.stat()
session.quit()
PY
then
  echo "popa3d on port $popa3d does not serve ${users[0]}; see $dir/popa3d/popa3d.log" >&2
  cat "$dir/popa3d/popa3d.log" >&2 || true
  exit 1
fi

cat > "$dir/servers.env" <<ENV
POP3_PORT=$pop3
POP3S_PORT=$pop3s
SMTP_PORT=$smtp
SMTP_AUTH_PORT=$smtpauth
SMTPS_PORT=$smtps
MAILUTILS_POP3_PORT=$mupop3
POSTFIX_PORT=$postfix
POSTFIX_SUBMISSION_PORT=$postfixsub
POSTFIX_QUEUE_DIR=$dir/postfix/queue
POSTFIX_LOG=$dir/postfix/postfix.log
EXIM_PORT=$exim
EXIM_SUBMISSION_PORT=$eximsub
EXIM_SPOOL_DIR=$dir/exim/spool
EXIM_LOG=$dir/exim/log/mainlog
MAILUTILS_HOME_DIR=$mu/home
POPA3D_POP3_PORT=$popa3d
POPA3D_MAIL_DIR=$dir/popa3d/root/var/mail
CA_FILE=$tls/ca.crt
HOME_DIR=$dir/home
SPOOL_DIR=$dir/spool
USERS="${users[*]}"
ENV
echo "mail servers up in $dir"
