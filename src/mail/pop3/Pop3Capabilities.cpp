#include "mail/pop3/Pop3Capabilities.h"

#include <QList>

namespace nmail {

Pop3Capabilities Pop3Capabilities::parse(const QByteArray& lines)
{
    Pop3Capabilities caps;
    caps.known = true;
    for (const QByteArray& line : lines.split('\n')) {
        const QList<QByteArray> words = line.simplified().toUpper().split(' ');
        const QByteArray& name = words.first();
        if (name == "USER")
            caps.user = true;
        else if (name == "STLS")
            caps.stls = true;
        else if (name == "PIPELINING")
            caps.pipelining = true;
        else if (name == "UIDL")
            caps.uidl = true;
        else if (name == "TOP")
            caps.top = true;
        else if (name == "SASL")
            caps.sasl = words.mid(1);
    }
    return caps;
}

QByteArray apopTimestamp(const QByteArray& greeting)
{
    const qsizetype open = greeting.indexOf('<');
    const qsizetype close = open < 0 ? -1 : greeting.indexOf('>', open);
    // RFC 1939 makes it a msg-id: something "@" something, no blanks inside.
    if (close < 0)
        return {};
    const QByteArray stamp = greeting.mid(open, close - open + 1);
    return stamp.contains('@') && !stamp.contains(' ') ? stamp : QByteArray();
}

}  // namespace nmail
