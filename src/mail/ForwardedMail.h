#pragma once
// A mail carried inside another (message/rfc822: forwarded "as attachment", or the parts of a
// digest), shown in the carrying mail's text as other mail readers show it: its sender, date,
// subject and recipient, then its own text. The file of the inner mail is written as well, as
// for any attachment; this is only what a reader sees without opening it.

#include <QByteArray>
#include <QString>

namespace nmail {

struct ForwardedMail {
    QString text;
    int losses = 0;  // MailLoss bits of what the text could not show of the inner mail
};

// The block for the inner mail raw (as carried, transfer encoding removed), between a heading
// line and a closing line. A mail forwarded within a forwarded mail is shown the same way, to a
// depth of three; deeper ones only by their heading fields. The inner mail's own attachments
// are named, not written: they are in the inner mail's file.
ForwardedMail forwardedMail(const QByteArray& raw, int depth = 1);

}  // namespace nmail
