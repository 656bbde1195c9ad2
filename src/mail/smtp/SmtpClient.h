#pragma once
// One SMTP session over one connection (RFC 5321): EHLO with a name strict servers accept,
// STARTTLS (RFC 3207) whenever offered and never a way back to clear text once it was, AUTH
// PLAIN or LOGIN (RFC 4954) whenever an account is given and the server offers it, SIZE
// (RFC 1870) checked before anything is sent, and the envelope pipelined (RFC 2920) when the
// server allows. Several mails may go over one session, one after the other.
//
// A password goes only inside TLS or to a server the user allowed it for; otherwise the session
// ends before it with failure() ConsentNeeded, and nothing of the mail was sent.

#include "mail/MailFailure.h"
#include "mail/MessageComposer.h"
#include "mail/net/LineStream.h"
#include "mail/smtp/SmtpReply.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace nmail {

struct SmtpEnvelope {
    QByteArray from;             // bare address
    QList<QByteArray> recipients;  // bare addresses
};

struct SmtpAccount {
    QString userId;  // empty: never log in
    QString password;

    bool operator==(const SmtpAccount&) const = default;
};

class SmtpClient {
public:
    SmtpClient(ServerAddress server, ConnectionSettings settings, SmtpAccount account);

    // Connects, greets, moves to TLS and logs in. False with failure() set; the session is over.
    bool open();
    // Sends one mail. False with failure() set; usable() tells whether the session goes on. A
    // RecipientsRefused failure with accepted recipients means those got the mail.
    bool send(const SmtpEnvelope& envelope, const ComposedMail& mail);
    // Ends the session with QUIT.
    void quit();

    bool usable() const { return open_; }
    const SmtpAccount& account() const { return account_; }
    const MailFailure& failure() const { return failure_; }
    QString error() const;
    const std::optional<CertificateFacts>& untrustedCertificate() const { return stream_.untrusted(); }

private:
    std::optional<SmtpReply> readReply();
    // Sends line and reads its reply; nullopt when the session broke.
    std::optional<SmtpReply> command(const QByteArray& line);
    bool greet();
    bool upgradeToTls();
    bool login();
    bool passwordMaySend();
    bool transmit(const ComposedMail& mail);
    // Sets the failure from a refusing reply; the session ends on 421 or when end is set.
    bool refused(const SmtpReply& reply, MailFailure::Kind kind = MailFailure::Kind::Refused, bool end = false);
    bool endWith(MailFailure::Kind kind, const QByteArray& reply = {});
    bool broke();
    // Puts the session back to its start after a failed mail.
    void reset();

    ServerAddress server_;
    LineStream stream_;
    SmtpAccount account_;
    SmtpCapabilities capabilities_;
    MailFailure failure_;
    bool open_ = false;
};

}  // namespace nmail
