#include "mail/ForwardedMail.h"

#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

constexpr int MaxDepth = 3;

const QString Heading = QStringLiteral("-------- 転送されたメール --------");
const QString Closing = QStringLiteral("-------- 転送されたメールここまで --------");

QString fieldLine(const QString& label, const QString& value)
{
    return value.isEmpty() ? QString() : label + value + QStringLiteral("\r\n");
}

}  // namespace

ForwardedMail forwardedMail(const QByteArray& raw, int depth)
{
    const ParsedMail mail(raw);
    ForwardedMail out{Heading + QStringLiteral("\r\n"), 0};
    QString& text = out.text;
    text += fieldLine(QStringLiteral("差出人: "), mail.field(vmime::fields::FROM));
    text += fieldLine(QStringLiteral("日付: "), mail.field(vmime::fields::DATE));
    text += fieldLine(QStringLiteral("件名: "), mail.field(vmime::fields::SUBJECT));
    text += fieldLine(QStringLiteral("宛先: "), mail.field(vmime::fields::TO));
    if (depth <= MaxDepth) {
        const DecodedMail inner = decodeMail(mail, depth + 1);
        out.losses = inner.losses;
        text += QStringLiteral("\r\n") + inner.body;
        if (!inner.body.isEmpty() && !inner.body.endsWith(QStringLiteral("\r\n")))
            text += QStringLiteral("\r\n");
        for (const ListedAttachment& attachment : inner.attachments)
            text += QStringLiteral("（添付: %1 %2）\r\n").arg(attachment.fileName, attachment.type);
    }
    text += Closing + QStringLiteral("\r\n");
    return out;
}

}  // namespace nmail
