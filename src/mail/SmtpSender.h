#pragma once
// Hands one composed mail to an SMTP server. STARTTLS is used when the server offers it; AUTH
// only when the server demands it (530 for the sender or a recipient) or on a submission port
// that offers it, so a server that takes mail without a login never sees the password.

#include "mail/ServerAddress.h"
#include "mail/trust/CertificateTrust.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace nmail {

struct SmtpEnvelope {
    QString from;          // bare address
    QStringList recipients;  // bare addresses
};

// True when the server accepted the mail; otherwise error says why, and untrusted holds the
// server's certificate when that was the reason (nothing was sent then).
bool sendMail(const ServerAddress& server, const SmtpEnvelope& envelope, const QByteArray& message,
              QString* error, std::optional<CertificateFacts>* untrusted);

}  // namespace nmail
