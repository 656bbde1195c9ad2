#include "mail/MessageDecoder.h"

#include "mail/AttachmentWriter.h"
#include "mail/Charsets.h"
#include "mail/ForwardedMail.h"
#include "mail/HtmlText.h"
#include "mail/ParsedMail.h"
#include "platform/TextFields.h"

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

// The most of one text part that is read: far more than a record holds, far less than a text
// that would cost the memory of a hundred records to decode. What lies beyond is kept with the
// raw mail (MailLoss::TextCut).
constexpr qsizetype TextLimit = 1024 * 1024;

QString readableText(const ParsedMail& mail, const MailLeaf& leaf, int& losses)
{
    const QByteArray charset = mail.parameter(*leaf.part, vmime::fields::CONTENT_TYPE, "charset");
    ContentRead read;
    const QString text = charsets::decode(mail.content(leaf, TextLimit, &read), charset);
    losses |= (read.cut ? MailLoss::TextCut : 0) | (read.unclean ? MailLoss::Undecodable : 0);
    return leaf.role == MailLeaf::Role::Html ? htmlToPlainText(text) : textfields::withCrLf(text);
}

// Every piece ends its last line, so the next one starts on a line of its own.
void appendPiece(QString& text, const QString& piece)
{
    text += piece;
    if (!piece.isEmpty() && !piece.endsWith(QStringLiteral("\r\n")))
        text += QStringLiteral("\r\n");
}

}  // namespace

QString mailText(const QString& body, const QList<ListedAttachment>& attachments)
{
    QString text = body;
    for (const ListedAttachment& attachment : attachments) {
        appendPiece(text, QStringLiteral("Content-Type: ") + attachment.type + QStringLiteral("\r\nContent-Disposition: attachment")
                              + (attachment.fileName.isEmpty() ? QString() : QStringLiteral("; filename=\"%1\"").arg(attachment.fileName)));
    }
    return text;
}

DecodedMail decodeMail(const ParsedMail& mail, int depth)
{
    DecodedMail out;
    const charsets::UndecodableCount undecodable;
    out.subject = mail.field(vmime::fields::SUBJECT);
    out.date = mail.field(vmime::fields::DATE);
    out.sender = mail.field(vmime::fields::FROM);
    out.header = mail.rawHeader();

    const QStringList names = attachmentFileNames(mail);
    for (const MailLeaf& leaf : mail.leaves()) {
        if (leaf.role != MailLeaf::Role::Attachment) {
            // A thousand text parts are no more than one long one.
            if (out.body.size() < TextLimit)
                appendPiece(out.body, readableText(mail, leaf, out.losses));
            else
                out.losses |= MailLoss::TextCut;
            continue;
        }
        // What the text cannot show of a forwarded mail (a part that could not be read) makes
        // the record incomplete, as in the carrying mail itself.
        if (leaf.mediaType == "message/rfc822" || leaf.mediaType == "message/global") {
            const ForwardedMail forwarded = forwardedMail(mail.content(leaf, TextLimit), depth);
            appendPiece(out.body, forwarded.text);
            out.losses |= forwarded.losses;
        }
        out.attachments.append({QString::fromLatin1(leaf.mediaType), names.value(out.attachments.size())});
    }
    out.text = mailText(out.body, out.attachments);
    out.losses |= mail.losses() | (undecodable.count() > 0 ? MailLoss::Undecodable : 0);
    return out;
}

}  // namespace nmail
