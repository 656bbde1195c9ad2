#include "mail/ServerAddress.h"

#include "mail/MailOptions.h"

namespace nmail {

std::optional<ServerAddress> ServerAddress::parse(const QString& text, MailProtocol protocol)
{
    const QString trimmed = text.trimmed();
    ServerAddress address;
    QString portText;
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        address.host = trimmed.mid(1, close - 1);
        const QString rest = trimmed.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return std::nullopt;
        portText = rest.mid(1);
    } else if (trimmed.count(u':') == 1) {
        address.host = trimmed.section(u':', 0, 0);
        portText = trimmed.section(u':', 1);
    } else {
        address.host = trimmed;  // a bare IPv6 literal or a plain name
    }
    if (address.host.isEmpty() || address.host.contains(u'/') || address.host.contains(u' '))
        return std::nullopt;
    if (portText.isEmpty()) {
        address.port = protocol == MailProtocol::Pop3 ? 110 : 25;
    } else {
        bool ok = false;
        address.port = portText.toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return std::nullopt;
    }
    address.implicitTls = options().implicitTlsPorts.count(address.port) > 0;
    return address;
}

QString ServerAddress::display() const
{
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

}  // namespace nmail
