#include "mail/smtp/SmtpSending.h"

#include "mail/OutgoingMailCheck.h"

#include <memory>

namespace nmail {

namespace {

struct Pool {
    bool active = false;
    std::unique_ptr<SmtpClient> session;
    QString server;
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

SendOutcome failed(const QString& error) { return {false, error, std::nullopt, std::nullopt}; }

SendOutcome failedWith(SmtpClient& client)
{
    SendOutcome outcome = failed(client.error());
    outcome.untrusted = client.untrustedCertificate();
    if (client.failure().kind == MailFailure::Kind::ConsentNeeded)
        outcome.unencryptedLogin = client.failure().server;
    return outcome;
}

// The pool's session when it fits, else a fresh one (kept in the pool when one is active).
SmtpClient* sessionFor(const ServerAddress& address, const SmtpAccount& account, const ConnectionSettings& settings,
                       std::unique_ptr<SmtpClient>& own)
{
    Pool& p = pool();
    if (p.active && p.session && p.session->usable() && p.server == address.display() && p.session->account() == account)
        return p.session.get();
    auto fresh = std::make_unique<SmtpClient>(address, settings, account);
    if (!p.active) {
        own = std::move(fresh);
        return own.get();
    }
    if (p.session)
        p.session->quit();
    p.session = std::move(fresh);
    p.server = address.display();
    return p.session.get();
}

}  // namespace

SendOutcome sendOutgoing(const OutgoingTexts& t, const SmtpAccount& account, const ConnectionSettings& settings)
{
    const auto address = ServerAddress::parse(t.server, MailProtocol::Smtp);
    if (!address)
        return failed(QStringLiteral("SMTPサーバーの指定が正しくありません: %1").arg(t.server));
    QString error;
    const auto mail = checkedOutgoingMail(t.to, t.cc, t.bcc, t.from, t.subject, t.body, t.header, t.attachments, &error);
    if (!mail)
        return failed(error);
    const auto message = composeMail(*mail, &error);
    if (!message)
        return failed(error);
    SmtpEnvelope envelope{mail->from.addrSpec, {}};
    for (const Mailbox& recipient : mail->to + mail->cc + mail->bcc)
        envelope.recipients.append(recipient.addrSpec);
    if (envelope.recipients.isEmpty())
        return failed(QStringLiteral("宛先がありません"));

    std::unique_ptr<SmtpClient> own;
    SmtpClient* client = sessionFor(*address, account, settings, own);
    if (!client->usable() && !client->open())
        return failedWith(*client);
    const bool sent = client->send(envelope, *message);
    if (own)
        own->quit();
    if (!sent)
        return failedWith(*client);
    return {true, {}, std::nullopt, std::nullopt};
}

SmtpSessionPool::SmtpSessionPool()
{
    if (pool().active)
        return;
    pool().active = true;
    owns_ = true;
}

SmtpSessionPool::~SmtpSessionPool()
{
    if (!owns_)
        return;
    Pool& p = pool();
    if (p.session)
        p.session->quit();
    p = {};
}

}  // namespace nmail
