#pragma once
// What the caller of the mail library sees of one received mail.

#include <QByteArray>
#include <QString>

namespace nmail {

struct DecodedMail {
    QString subject;
    QString date;
    QString sender;
    QByteArray header;  // as received
    // The text a person reads, with CR LF line ends; then, for each attachment, that part's
    // Content-Type and Content-Disposition lines (never its data).
    QString text;
};

class ParsedMail;

DecodedMail decodeMail(const ParsedMail& mail);

}  // namespace nmail
