#include "mail/FetchedMail.h"

#include "mail/MailLoss.h"
#include "platform/Cp932.h"

namespace nmail {

namespace {

// Code page 932 bytes of text; whole stays true only while every text encoded exactly (a
// character 932 has no code for comes out as a look-alike or "〓").
QByteArray encodeCounting(const QString& text, bool& whole)
{
    qsizetype inexact = 0;
    QByteArray bytes = cp932::encode(text, &inexact);
    whole = whole && inexact == 0;
    return bytes;
}

}  // namespace

void FetchedMail::take(int handle, int number, std::shared_ptr<const MailBytes> raw)
{
    raw_ = std::move(raw);
    parsed_ = std::make_shared<const ParsedMail>(raw_);
    decoded_ = decodeMail(*parsed_);
    losses_ = decoded_.losses;
    for (QString* text : {&decoded_.subject, &decoded_.date, &decoded_.sender, &decoded_.body}) {
        if (text->contains(QChar(0)))
            text->replace(QChar(0), QChar(0xFFFD));
    }
    decoded_.text = mailText(decoded_.body, decoded_.attachments);
    bool whole = true;
    encoded_ = {encodeCounting(decoded_.subject, whole), cp932::encode(decoded_.date),
                encodeCounting(decoded_.sender, whole), encodeCounting(decoded_.text, whole)};
    if (!whole)
        losses_ |= MailLoss::Unrepresentable;
    handle_ = handle;
    number_ = number;
}

}  // namespace nmail
