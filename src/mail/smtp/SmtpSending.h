#pragma once
// One mail from the caller's texts to the server: checked, composed and sent over the running
// batch's session when it goes to the same server with the same account, over a session of its
// own otherwise. A batch keeps one connection for all its mails: no second connection is made
// for a mail unless the first one broke.

#include "mail/MailFailure.h"
#include "mail/net/ConnectionSettings.h"
#include "mail/smtp/SmtpClient.h"

#include <QString>

#include <optional>

namespace nmail {

struct OutgoingTexts {
    QString server, to, cc, bcc, from, subject, body, header, attachments;
};

struct SendOutcome {
    bool sent = false;
    QString error;  // the user's words when not sent (or sent to only some recipients)
    std::optional<CertificateFacts> untrusted;  // the certificate refused, when that was why
    std::optional<QString> unencryptedLogin;    // the server that wanted a password in clear
};

SendOutcome sendOutgoing(const OutgoingTexts& texts, const SmtpAccount& account, const ConnectionSettings& settings);

// While one lives, sendOutgoing keeps its session open for the next mail.
class SmtpSessionPool {
public:
    SmtpSessionPool();
    ~SmtpSessionPool();
    SmtpSessionPool(const SmtpSessionPool&) = delete;
    SmtpSessionPool& operator=(const SmtpSessionPool&) = delete;

private:
    bool owns_ = false;  // false inside an outer pool, whose session is used
};

}  // namespace nmail
