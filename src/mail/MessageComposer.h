#pragma once
// An outgoing mail as the bytes an SMTP server is given: Date, Message-ID, MIME-Version and
// encoded headers; the body in ISO-2022-JP when every character fits it and UTF-8 otherwise;
// attachments in base64 named for both RFC 2231 and older RFC 2047 readers, typed by their file
// names as the shared MIME database knows them. The attachments are read and encoded only while
// the mail is handed on, a piece at a time, so that a large one is never whole in memory.

#include "mail/AddressList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
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

class ComposedMail {
public:
    // Takes each piece in order; returns false to stop.
    using Sink = std::function<bool(const QByteArray&)>;

    // The exact number of bytes the mail has (for SMTP SIZE).
    qint64 size() const;
    // Hands the mail to sink in pieces of a few hundred kilobytes, CR LF line ends. False when
    // the sink stopped or an attachment can no longer be read as it was (error says why then).
    bool writeTo(const Sink& sink, QString* error) const;
    // The whole mail at once, for what needs it in memory anyway.
    std::optional<QByteArray> bytes(QString* error) const;

private:
    friend std::optional<ComposedMail> composeMail(const OutgoingMail& mail, QString* error);
    struct Piece {
        QByteArray bytes;  // written as it is, or, when file is set, after it
        QString file;      // an attachment, base64 in lines of 76
        qint64 fileSize = 0;
    };
    QList<Piece> pieces_;
};

// The mail; nullopt and a reason when an attachment cannot be read.
std::optional<ComposedMail> composeMail(const OutgoingMail& mail, QString* error);

}  // namespace nmail
