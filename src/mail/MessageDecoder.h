#pragma once
// What the caller of the mail library sees of one received mail.

#include "mail/MailLoss.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace nmail {

// An attachment as the mail's text lists it.
struct ListedAttachment {
    QString type;      // "type/subtype"
    QString fileName;  // the name of its file in the attachment folder; empty when it has none
};

struct DecodedMail {
    QString subject;
    QString date;
    QString sender;
    QByteArray header;  // as received
    QString body;       // the text a person reads, with CR LF line ends
    QList<ListedAttachment> attachments;
    QString text;       // mailText(body, attachments)
    int losses = 0;     // MailLoss bits
};

class ParsedMail;

// Decodes a parsed mail; each attachment is listed under the name it will be written under in
// an attachment folder that does not hold that name yet. A mail carried inside it (a forwarded
// one) is also shown in its text, where it stands (ForwardedMail.h); depth counts how deep the
// mail itself is carried.
DecodedMail decodeMail(const ParsedMail& mail, int depth = 1);

// The text of a mail: its body, then for each attachment a Content-Type line with its type and a
// Content-Disposition line with the name of its file.
QString mailText(const QString& body, const QList<ListedAttachment>& attachments);

}  // namespace nmail
