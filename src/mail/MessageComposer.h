#pragma once
// An outgoing mail as the bytes an SMTP server is given: Date, Message-ID, MIME-Version and
// encoded headers; the body in ISO-2022-JP when every character fits it and UTF-8 otherwise;
// attachments in base64 named for both RFC 2231 and older RFC 2047 readers.

#include "mail/AddressList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace nmail {

// Every text here is free of line breaks except the body; NMailSmtpSendMail sees to that.
struct OutgoingMail {
    Mailbox from;
    QList<Mailbox> to;
    QList<Mailbox> cc;
    QList<Mailbox> bcc;  // the envelope's only: never written into the mail
    QString subject;
    QString body;
    QStringList attachmentPaths;
    QByteArray extraHeader;  // whole header lines, each ending in CR LF
};

// The mail with CR LF line ends; nullopt and a reason when an attachment cannot be read.
std::optional<QByteArray> composeMail(const OutgoingMail& mail, QString* error);

}  // namespace nmail
