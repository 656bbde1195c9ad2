#pragma once
// An outgoing mail as the bytes an SMTP server is given: Date, Message-ID, MIME-Version and
// encoded headers; the body in ISO-2022-JP when every character fits it and UTF-8 otherwise;
// attachments in base64 named for both RFC 2231 and older RFC 2047 readers.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace nmail {

struct OutgoingMail {
    QString from;
    QStringList to;
    QStringList cc;
    QString subject;
    QString body;
    QStringList attachmentPaths;
    QByteArray extraHeader;  // lines added as given
};

// The mail with CR LF line ends; nullopt and a reason when an attachment cannot be read.
std::optional<QByteArray> composeMail(const OutgoingMail& mail, QString* error);

}  // namespace nmail
