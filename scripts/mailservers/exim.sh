#!/usr/bin/env bash
# A private exim for the tests, set up as the private Postfix is (postfix.sh): strict HELO (a bare
# host name is refused), STARTTLS, AUTH offered only inside TLS and checked against Dovecot's
# password file, and delivery into the same Maildirs. PORT takes mail for the local domains
# without a login (like port 25); SUBMISSION_PORT takes it only over TLS from a client that
# logged in (like 587). Everything lives under DIR/exim; mail to any other domain is refused at
# RCPT, never sent on. exim runs from the unpacked package install-deps.sh leaves in
# /opt/tessaly-deps/exim (the package cannot be installed beside Postfix).
# Returns once the daemon runs; its PID is in DIR/exim/exim.pid.
#
#   exim.sh DIR PORT SUBMISSION_PORT CERT KEY PASSWD_FILE MAILBOX ...
set -euo pipefail
dir=$1 port=$2 submission=$3 cert=$4 key=$5 passwd=$6
shift 6
exim=${EXIM_BIN:-/opt/tessaly-deps/exim/usr/sbin/exim4}
ex=$dir/exim
mkdir -p "$ex/spool" "$ex/log"
: > "$ex/users"
for u in "$@"; do echo "$u: $u" >> "$ex/users"; done
# Other addresses of the test domain are taken too, into a mailbox of their own.
mkdir -p "$dir/home/exim-others/Maildir/"{cur,new,tmp}
chown -R mail:mail "$dir/home/exim-others"
# An exim started with a configuration of its own (-C) gives up root and runs as its exim user
# throughout: that user is "mail", owner of the Maildirs, so delivery needs no root either.
chown -R mail:mail "$ex/spool" "$ex/log"

cat > "$ex/exim.conf" <<CONF
exim_path = $exim
exim_user = mail
exim_group = mail
primary_hostname = mail.tessaly.test
qualify_domain = tessaly.test
spool_directory = $ex/spool
log_file_path = $ex/log/%slog
pid_file_path = $ex/exim.pid
local_interfaces = <; 127.0.0.1.$port ; 127.0.0.1.$submission
disable_ipv6 = true
# No name server is asked and no ident query is made.
host_lookup =
rfc1413_hosts =
keep_environment =
message_size_limit = 64M
domainlist local_domains = example.jp : localhost
tls_advertise_hosts = *
tls_certificate = $cert
tls_privatekey = $key
acl_smtp_helo = check_helo
acl_smtp_mail = check_mail
acl_smtp_rcpt = check_rcpt

begin acl
check_helo:
  accept condition = \${if match{\$sender_helo_name}{\N^\[.+\]\$\N}}
  deny   condition = \${if !match{\$sender_helo_name}{\N\.\N}}
         message = 5.5.2 <\$sender_helo_name>: need fully-qualified hostname
  accept

check_mail:
  deny   condition = \${if eq{\$received_port}{$submission}}
         !encrypted = *
         message = 5.7.0 Must issue a STARTTLS command first
  accept

check_rcpt:
  deny   condition = \${if eq{\$received_port}{$submission}}
         !authenticated = *
         message = 5.7.1 Authentication required
  accept domains = +local_domains
  deny   message = 5.7.1 the test server sends nothing on

begin routers
mailbox:
  driver = accept
  domains = +local_domains
  local_parts = lsearch;$ex/users
  transport = mailbox
others:
  driver = accept
  domains = example.jp
  transport = others

begin transports
mailbox:
  driver = appendfile
  directory = $dir/home/\$local_part_data/Maildir
  maildir_format
  return_path_add
  envelope_to_add
  mode = 0660
others:
  driver = appendfile
  directory = $dir/home/exim-others/Maildir
  maildir_format
  mode = 0660

begin authenticators
plain:
  driver = plaintext
  public_name = PLAIN
  server_prompts = :
  server_advertise_condition = \${if def:tls_in_cipher}
  server_condition = \${if and{{!eq{\$auth2}{}}{eq{\$auth3}{\${lookup{\$auth2}lsearch{$passwd}}}}}}
  server_set_id = \$auth2
login:
  driver = plaintext
  public_name = LOGIN
  server_prompts = Username:: : Password::
  server_advertise_condition = \${if def:tls_in_cipher}
  server_condition = \${if and{{!eq{\$auth1}{}}{eq{\$auth2}{\${lookup{\$auth1}lsearch{$passwd}}}}}}
  server_set_id = \$auth1
CONF

"$exim" -C "$ex/exim.conf" -bV > /dev/null
"$exim" -C "$ex/exim.conf" -bd -q1m
for _ in $(seq 1 100); do [ -s "$ex/exim.pid" ] && break; sleep 0.05; done
