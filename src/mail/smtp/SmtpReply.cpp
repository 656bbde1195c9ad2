#include "mail/smtp/SmtpReply.h"

#include <QRegularExpression>

namespace nmail {

std::optional<SmtpReply::LineHead> SmtpReply::head(const QByteArray& line)
{
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) || !std::isdigit(static_cast<unsigned char>(line[2])))
        return std::nullopt;
    const char after = line.size() > 3 ? line[3] : ' ';
    if (after != ' ' && after != '-')
        return std::nullopt;
    const int code = line.left(3).toInt();
    if (code < 200 || code > 599)
        return std::nullopt;
    return LineHead{code, after == '-'};
}

void SmtpReply::add(const QByteArray& line)
{
    code = line.left(3).toInt();
    QByteArray text = line.mid(4);
    // "5.7.8 text": class 2, 4 or 5, subject and detail of up to three digits each.
    static const QRegularExpression status(QStringLiteral("^([245])\\.(\\d{1,3})\\.(\\d{1,3})(?: |$)"));
    const QRegularExpressionMatch match = status.match(QString::fromLatin1(text.left(12)));
    if (match.hasMatch()) {
        enhanced = match.captured(0).trimmed().toLatin1();
        text = text.mid(match.capturedLength(0));
    }
    lines.append(text);
}

QByteArray SmtpReply::text() const
{
    const QByteArray last = lines.isEmpty() ? QByteArray() : lines.last();
    return QByteArray::number(code) + (enhanced.isEmpty() ? QByteArray() : ' ' + enhanced) + ' ' + last;
}

SmtpCapabilities SmtpCapabilities::parse(const SmtpReply& ehlo)
{
    SmtpCapabilities caps;
    // The first line is the server's greeting name, not an extension.
    for (qsizetype i = 1; i < ehlo.lines.size(); ++i) {
        const QByteArrayList words = ehlo.lines[i].simplified().toUpper().split(' ');
        const QByteArray& name = words.first();
        if (name == "STARTTLS")
            caps.startTls = true;
        else if (name == "PIPELINING")
            caps.pipelining = true;
        else if (name == "AUTH")
            caps.auth = words.mid(1);
        else if (name == "SIZE") {
            caps.sizeKnown = true;
            bool ok = false;
            const qint64 limit = words.value(1).toLongLong(&ok);
            caps.sizeLimit = ok && limit > 0 ? limit : 0;
        }
    }
    return caps;
}

}  // namespace nmail
