#pragma once
// The name the client gives in EHLO. Strict servers refuse a bare host name (Postfix's
// reject_non_fqdn_helo_hostname): the host's fully qualified name when it has one, otherwise an
// address literal of the connection's own address (RFC 5321 §4.1.3), which every server takes.

#include <QByteArray>
#include <QHostAddress>
#include <QString>

namespace nmail {

// hostName and domainName as the system gives them (gethostname, the resolver's domain); local
// is the address the connection goes out from.
QByteArray heloName(const QString& hostName, const QString& domainName, const QHostAddress& local);

// heloName of this machine for a connection from local. Asks no name server.
QByteArray heloNameFor(const QHostAddress& local);

}  // namespace nmail
