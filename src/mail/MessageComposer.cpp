#include "mail/MessageComposer.h"

#include "mail/HeaderEncoding.h"
#include "mail/Iso2022Jp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>

namespace nmail {

namespace {

// Longest line allowed in 7bit content.
constexpr qsizetype MaxLineBytes = 998;

QByteArray randomToken()
{
    return QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

// Characters a 7bit text line may carry besides those ISO-2022-JP encodes: no NUL and no other
// control but TAB.
bool fitsSevenBitLine(QStringView line)
{
    for (QChar c : line) {
        if (c.unicode() < 0x20 && c != u'\t')
            return false;
    }
    return true;
}

// The text part: ISO-2022-JP 7bit, each line returning to ASCII before its CR LF, when the text
// fits that charset in lines a 7bit transfer allows; UTF-8 base64 otherwise.
QByteArray textPart(const QString& body)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();  // the body's own last line end
    QByteArray jis;
    for (const QString& line : lines) {
        const auto encoded = fitsSevenBitLine(line) ? iso2022jp::encode(line) : std::nullopt;
        if (!encoded || encoded->size() > MaxLineBytes)
            return "Content-Type: text/plain; charset=UTF-8\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\n" +
                   base64Lines((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        jis += *encoded + "\r\n";
    }
    return "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n\r\n" + jis;
}

// Readers that know no RFC 2231 take the name="..." parameter: a plain ASCII name as it is,
// anything else as RFC 2047 words, which such readers decode there by custom.
QByteArray legacyName(const QString& name)
{
    const bool plain = !name.contains(u"=?") && std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() <= 0x7e && c != u'"' && c != u'\\';
    });
    return plain ? name.toLatin1() : encodeWords(name);
}

std::optional<QByteArray> attachmentPart(const QString& path, QString* error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("添付ファイルを読めません: %1").arg(path);
        return std::nullopt;
    }
    const QString name = QFileInfo(path).fileName();
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("添付ファイルを読めません: %1 (%2)").arg(path, file.errorString());
        return std::nullopt;
    }
    return "Content-Type: application/octet-stream;\r\n name=\"" + legacyName(name) + "\"\r\n"
           "Content-Disposition: attachment;\r\n " + rfc2231Parameter("filename", name) + "\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" + base64Lines(data);
}

QByteArray headerBlock(const OutgoingMail& mail)
{
    QByteArray domain = mail.from.addrSpec.mid(mail.from.addrSpec.lastIndexOf('@') + 1);
    if (domain.isEmpty() || domain.startsWith('['))
        domain = "localhost";
    QByteArray header;
    header += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    auto field = [&header](const QByteArray& name, const auto& encode) {
        header += name + ": " + encode(name.size() + 2) + "\r\n";
    };
    field("From", [&](qsizetype used) { return formatAddressList({mail.from}, used); });
    field("To", [&](qsizetype used) { return formatAddressList(mail.to, used); });
    if (!mail.cc.isEmpty())
        field("Cc", [&](qsizetype used) { return formatAddressList(mail.cc, used); });
    field("Subject", [&](qsizetype used) { return encodeUnstructured(mail.subject, used); });
    header += "Message-ID: <" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + "." +
              randomToken() + "@" + domain + ">\r\n";
    header += "MIME-Version: 1.0\r\n";
    header += mail.extraHeader;
    return header;
}

}  // namespace

std::optional<QByteArray> composeMail(const OutgoingMail& mail, QString* error)
{
    QList<QByteArray> attachments;
    for (const QString& path : mail.attachmentPaths) {
        auto part = attachmentPart(path, error);
        if (!part)
            return std::nullopt;
        attachments.append(*part);
    }
    const QByteArray text = textPart(mail.body);
    if (attachments.isEmpty())
        return headerBlock(mail) + text;

    const QByteArray boundary = "=_tessaly_" + randomToken();
    QByteArray out = headerBlock(mail);
    out += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    out += "This is a multi-part message in MIME format.\r\n";
    for (const QByteArray& part : QList<QByteArray>{text} + attachments)
        out += "\r\n--" + boundary + "\r\n" + part;
    out += "\r\n--" + boundary + "--\r\n";
    return out;
}

}  // namespace nmail
