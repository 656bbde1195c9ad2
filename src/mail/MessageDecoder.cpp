#include "mail/MessageDecoder.h"

#include "mail/Charsets.h"
#include "mail/HtmlText.h"
#include "mail/ParsedMail.h"

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

QByteArray charsetOf(const vmime::bodyPart& part)
{
    auto field = std::dynamic_pointer_cast<vmime::parameterizedHeaderField>(
        part.getHeader()->findField(vmime::fields::CONTENT_TYPE));
    if (!field)
        return {};
    auto parameter = field->findParameter("charset");
    return parameter ? QByteArray::fromStdString(parameter->getValue().getBuffer()) : QByteArray();
}

QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

QString readableText(const MailLeaf& leaf)
{
    const QString text = charsets::decode(ParsedMail::content(*leaf.part), charsetOf(*leaf.part));
    return leaf.role == MailLeaf::Role::Html ? htmlToPlainText(text) : withCrLf(text);
}

// The part's own header lines, as received. A part without a disposition of its own gets
// "attachment", so whoever reads the text sees it for what it is.
QString attachmentLines(const ParsedMail& mail, const vmime::bodyPart& part)
{
    const auto& header = *part.getHeader();
    QByteArray type = mail.rawField(header, vmime::fields::CONTENT_TYPE);
    QByteArray disposition = mail.rawField(header, vmime::fields::CONTENT_DISPOSITION);
    if (type.isEmpty())
        type = "text/plain";
    if (disposition.isEmpty())
        disposition = "attachment";
    return QStringLiteral("Content-Type: ") + charsets::decode(type, {}) +
           QStringLiteral("\r\nContent-Disposition: ") + charsets::decode(disposition, {});
}

}  // namespace

DecodedMail decodeMail(const ParsedMail& mail)
{
    DecodedMail out;
    out.subject = mail.field(vmime::fields::SUBJECT);
    out.date = mail.field(vmime::fields::DATE);
    out.sender = mail.field(vmime::fields::FROM);
    out.header = mail.rawHeader();

    // Every piece ends its last line, so the next one starts on a line of its own.
    auto add = [&out](const QString& piece) {
        out.text += piece;
        if (!piece.isEmpty() && !piece.endsWith(QStringLiteral("\r\n")))
            out.text += QStringLiteral("\r\n");
    };
    for (const MailLeaf& leaf : mail.leaves()) {
        if (leaf.role != MailLeaf::Role::Attachment)
            add(readableText(leaf));
    }
    for (const MailLeaf& leaf : mail.leaves()) {
        if (leaf.role == MailLeaf::Role::Attachment)
            add(attachmentLines(mail, *leaf.part));
    }
    return out;
}

}  // namespace nmail
