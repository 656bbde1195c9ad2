#include "mail/smtp/HeloName.h"

#include <QHostInfo>
#include <QRegularExpression>

namespace nmail {

namespace {

// Letters, digits and inner hyphens per label, at least two labels, no all-digit top label.
bool isFullyQualified(const QString& name)
{
    static const QRegularExpression domain(QStringLiteral(
        "^(?=.{1,253}$)([A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?\\.)+[A-Za-z](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    return domain.match(name).hasMatch();
}

}  // namespace

QByteArray heloName(const QString& hostName, const QString& domainName, const QHostAddress& local)
{
    const QString host = hostName.trimmed();
    const QString domain = domainName.trimmed();
    const QString qualified = host.contains(u'.') || domain.isEmpty() ? host : host + u'.' + domain;
    if (isFullyQualified(qualified) && !qualified.endsWith(QStringLiteral(".localdomain")))
        return qualified.toLatin1();
    bool isV4 = false;
    const quint32 v4 = local.toIPv4Address(&isV4);
    if (isV4)
        return '[' + QHostAddress(v4).toString().toLatin1() + ']';
    if (!local.isNull())
        return "[IPv6:" + local.toString().toLatin1() + ']';
    return "[127.0.0.1]";
}

QByteArray heloNameFor(const QHostAddress& local)
{
    return heloName(QHostInfo::localHostName(), QHostInfo::localDomainName(), local);
}

}  // namespace nmail
