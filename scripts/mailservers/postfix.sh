#!/usr/bin/env bash
# A private Postfix for the tests, as a provider runs one: strict HELO checks (a bare host name
# is refused), STARTTLS, AUTH only inside TLS and checked by the Dovecot that start.sh runs, and
# delivery into the same Maildirs. Two listeners: PORT takes mail for the local domains without a
# login (like port 25), SUBMISSION_PORT takes it only from a client logged in over TLS (like
# 587). Everything lives under DIR/postfix; mail to any other domain is refused, never sent on.
# Returns once the master daemon runs; its PID is in DIR/postfix/queue/pid/master.pid.
#
#   postfix.sh DIR PORT SUBMISSION_PORT CERT KEY SASL_SOCKET MAILBOX ...
set -euo pipefail
dir=$1 port=$2 submission=$3 cert=$4 key=$5 sasl=$6
shift 6
pf=$dir/postfix
mkdir -p "$pf/etc" "$pf/queue" "$pf/data"
chown postfix "$pf/data"

: > "$pf/etc/vmailbox"
for u in "$@"; do
  for domain in example.jp localhost; do echo "$u@$domain $u/Maildir/" >> "$pf/etc/vmailbox"; done
done
# Other addresses of the test domain are taken too (as the other test server takes them), into
# a mailbox of their own.
echo "@example.jp postfix-others/Maildir/" >> "$pf/etc/vmailbox"

cat > "$pf/etc/main.cf" <<CONF
compatibility_level = 3.6
queue_directory = $pf/queue
data_directory = $pf/data
mail_owner = postfix
setgid_group = postdrop
maillog_file = $pf/postfix.log
maillog_file_prefixes = $pf
myhostname = mail.tessaly.test
mydomain = tessaly.test
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
alias_maps =
alias_database =
local_recipient_maps =
biff = no
# No mail leaves this machine, and no name server is asked.
default_transport = error:5.7.1 the test server sends nothing on
relay_transport = error:5.7.1 the test server sends nothing on
smtp_dns_support_level = disabled
smtpd_peername_lookup = no
virtual_mailbox_domains = example.jp localhost
virtual_mailbox_base = $dir/home
virtual_mailbox_maps = texthash:$pf/etc/vmailbox
virtual_minimum_uid = 1
virtual_uid_maps = static:$(id -u mail)
virtual_gid_maps = static:$(id -g mail)
message_size_limit = 67108864
virtual_mailbox_limit = 0
smtpd_helo_required = yes
smtpd_helo_restrictions = reject_invalid_helo_hostname, reject_non_fqdn_helo_hostname
smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination
smtpd_tls_cert_file = $cert
smtpd_tls_key_file = $key
smtpd_tls_security_level = may
smtpd_tls_auth_only = yes
smtpd_sasl_type = dovecot
smtpd_sasl_path = $sasl
smtpd_sasl_auth_enable = yes
CONF

cat > "$pf/etc/master.cf" <<CONF
127.0.0.1:$port inet n - n - - smtpd
127.0.0.1:$submission inet n - n - - smtpd
  -o smtpd_tls_security_level=encrypt
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
cleanup   unix  n       -       n       -       0       cleanup
qmgr      unix  n       -       n       300     1       qmgr
tlsmgr    unix  -       -       n       1000?   1       tlsmgr
rewrite   unix  -       -       n       -       -       trivial-rewrite
bounce    unix  -       -       n       -       0       bounce
defer     unix  -       -       n       -       0       bounce
trace     unix  -       -       n       -       0       bounce
verify    unix  -       -       n       -       1       verify
flush     unix  n       -       n       1000?   0       flush
proxymap  unix  -       -       n       -       -       proxymap
proxywrite unix -       -       n       -       1       proxymap
smtp      unix  -       -       n       -       -       smtp
relay     unix  -       -       n       -       -       smtp
showq     unix  n       -       n       -       -       showq
error     unix  -       -       n       -       -       error
retry     unix  -       -       n       -       -       error
discard   unix  -       -       n       -       -       discard
virtual   unix  -       n       n       -       -       virtual
anvil     unix  -       -       n       -       1       anvil
scache    unix  -       -       n       -       1       scache
postlog   unix-dgram n  -       n       -       1       postlogd
CONF

/usr/sbin/postfix -c "$pf/etc" check
/usr/sbin/postfix -c "$pf/etc" start
