#include "mail/smtp/SmtpClient.h"

#include "mail/MailFailureText.h"
#include "mail/net/Sasl.h"
#include "mail/smtp/HeloName.h"
#include "mail/trust/ServerSecurity.h"

namespace nmail {

namespace {
// A reply longer than this is no SMTP server's.
constexpr int MaxReplyLines = 200;

// Dot-stuffing (RFC 5321 §4.5.2) across the pieces of a mail: a line that begins with "." gets
// a second one. atLineStart carries over from one piece to the next.
QByteArray stuffed(const QByteArray& piece, bool& atLineStart)
{
    if (piece.isEmpty())
        return piece;
    if (!piece.contains('.')) {
        atLineStart = piece.endsWith('\n');
        return piece;
    }
    QByteArray out;
    out.reserve(piece.size() + 64);
    for (const char c : piece) {
        if (c == '.' && atLineStart)
            out += '.';
        out += c;
        atLineStart = c == '\n';
    }
    return out;
}
}  // namespace

SmtpClient::SmtpClient(ServerAddress server, ConnectionSettings settings, SmtpAccount account)
    : server_(server), stream_(std::move(server), MailProtocol::Smtp, std::move(settings)), account_(std::move(account))
{
}

QString SmtpClient::error() const
{
    return describe(failure_, stream_.settings().timeout);
}

bool SmtpClient::broke()
{
    failure_ = stream_.failure();
    open_ = false;
    return false;
}

bool SmtpClient::endWith(MailFailure::Kind kind, const QByteArray& reply)
{
    failure_ = MailFailure::of(kind, MailProtocol::Smtp, server_.display());
    failure_.reply = reply;
    open_ = false;
    stream_.abort();
    return false;
}

bool SmtpClient::refused(const SmtpReply& reply, MailFailure::Kind kind, bool end)
{
    failure_ = MailFailure::of(kind, MailProtocol::Smtp, server_.display());
    failure_.reply = reply.text();
    failure_.smtpCode = reply.code;
    failure_.enhanced = reply.enhanced;
    // 421: the server is closing the session; any other end is said with QUIT.
    if (reply.code == 421) {
        open_ = false;
        stream_.abort();
    } else if (end) {
        quit();
    }
    return false;
}

std::optional<SmtpReply> SmtpClient::readReply()
{
    SmtpReply reply;
    for (int n = 0; n < MaxReplyLines; ++n) {
        const std::optional<QByteArray> line = stream_.readLine();
        if (!line)
            return broke(), std::nullopt;
        const auto head = SmtpReply::head(*line);
        // Every line of one reply carries the same code.
        if (!head || (n > 0 && head->code != reply.code))
            return endWith(MailFailure::Kind::Protocol, line->left(200)), std::nullopt;
        reply.add(*line);
        if (!head->more)
            return reply;
    }
    return endWith(MailFailure::Kind::LineTooLong), std::nullopt;
}

std::optional<SmtpReply> SmtpClient::command(const QByteArray& line)
{
    stream_.write(line);
    return readReply();
}

bool SmtpClient::greet()
{
    const QByteArray name = heloNameFor(stream_.localAddress());
    std::optional<SmtpReply> reply = command("EHLO " + name);
    if (!reply)
        return false;
    if (reply->code == 250) {
        capabilities_ = SmtpCapabilities::parse(*reply);
        return true;
    }
    // A server of RFC 821 alone: no extensions, so neither TLS nor a login.
    if (reply->code == 500 || reply->code == 502) {
        reply = command("HELO " + name);
        if (!reply)
            return false;
        capabilities_ = {};
        if (reply->code == 250)
            return true;
    }
    return refused(*reply, MailFailure::Kind::Refused, true);
}

bool SmtpClient::upgradeToTls()
{
    if (server_.implicitTls)
        return true;
    if (!capabilities_.startTls) {
        return !ServerSecurity(stream_.settings().securityFile).spokeTls(server_.display()) ||
               endWith(MailFailure::Kind::Downgrade);
    }
    // Once STARTTLS is offered there is no way back to clear text: a refusal (454) is someone in
    // between as likely as a server's trouble.
    const std::optional<SmtpReply> reply = command("STARTTLS");
    if (!reply)
        return false;
    if (reply->code != 220)
        return refused(*reply, MailFailure::Kind::TlsRefused, true);
    if (!stream_.startTls())
        return broke();
    // What the server offered before TLS could have been forged on the way: ask again.
    return greet();
}

bool SmtpClient::passwordMaySend()
{
    if (stream_.encrypted() || ServerSecurity(stream_.settings().securityFile).plainTextAllowed(server_.display()))
        return true;
    failure_ = MailFailure::of(MailFailure::Kind::ConsentNeeded, MailProtocol::Smtp, server_.display());
    quit();
    return false;
}

bool SmtpClient::login()
{
    const QByteArrayList& offered = capabilities_.auth;
    const QByteArray mechanism = offered.contains("PLAIN") ? "PLAIN" : offered.contains("LOGIN") ? "LOGIN" : "";
    // No account, or no way to log in that takes a password: the mail goes without a login,
    // and a server that wants one says so (530) for the sender. One that takes only OAuth
    // tokens is told apart, so that the user learns what the provider needs.
    if (!account_.userId.isEmpty() && sasl::onlyOAuth(offered)) {
        failure_ = MailFailure::of(MailFailure::Kind::OAuthRequired, MailProtocol::Smtp, server_.display());
        quit();
        return false;
    }
    if (account_.userId.isEmpty() || mechanism.isEmpty())
        return true;
    if (!passwordMaySend())
        return false;
    const QByteArray user = account_.userId.toUtf8();
    const QByteArray secret = account_.password.toUtf8();
    std::optional<SmtpReply> reply;
    if (mechanism == "PLAIN") {
        reply = command("AUTH PLAIN " + sasl::plainResponse(user, secret));
    } else {
        // LOGIN: the server asks for the name (334), then for the password (334).
        reply = command("AUTH LOGIN");
        if (reply && reply->code == 334)
            reply = command(user.toBase64());
        if (reply && reply->code == 334)
            reply = command(secret.toBase64());
    }
    if (!reply)
        return false;
    return reply->code == 235 || refused(*reply, MailFailure::Kind::Authentication, true);
}

bool SmtpClient::open()
{
    if (!stream_.open())
        return broke();
    open_ = true;
    const std::optional<SmtpReply> greeting = readReply();
    if (!greeting)
        return false;
    if (greeting->code != 220)
        return refused(*greeting, MailFailure::Kind::Refused, true);
    if (!greet() || !upgradeToTls())
        return false;
    if (stream_.encrypted()) {
        // Remembered so that a later session without TLS shows as what it is. A file that cannot
        // be written costs that warning, not this mail.
        QString ignored;
        ServerSecurity(stream_.settings().securityFile).rememberTls(server_.display(), &ignored);
    }
    return login();
}

void SmtpClient::reset()
{
    if (!open_)
        return;
    const MailFailure kept = failure_;
    const std::optional<SmtpReply> reply = command("RSET");
    if (reply && reply->code != 250)
        endWith(MailFailure::Kind::Protocol, reply->text());
    failure_ = kept;
}

bool SmtpClient::transmit(const ComposedMail& mail)
{
    bool atLineStart = true;
    QString error;
    const bool written = mail.writeTo([&](const QByteArray& piece) { return stream_.writeRaw(stuffed(piece, atLineStart)); },
                                      &error);
    if (!written) {
        // Half a mail cannot be taken back in SMTP; ending the connection without the final "."
        // makes the server drop it.
        if (stream_.failure().failed())
            return broke();
        endWith(MailFailure::Kind::Local);
        failure_.detail = error;
        return false;
    }
    stream_.write(atLineStart ? "." : "\r\n.");
    return true;
}

bool SmtpClient::send(const SmtpEnvelope& envelope, const ComposedMail& mail)
{
    if (!open_)
        return false;
    const qint64 size = mail.size();
    if (capabilities_.sizeLimit > 0 && size > capabilities_.sizeLimit) {
        failure_ = MailFailure::of(MailFailure::Kind::TooLarge, MailProtocol::Smtp, server_.display());
        failure_.mailSize = size;
        failure_.sizeLimit = capabilities_.sizeLimit;
        return false;
    }
    QByteArrayList commands{"MAIL FROM:<" + envelope.from + '>' +
                            (capabilities_.sizeKnown ? " SIZE=" + QByteArray::number(size) : QByteArray())};
    for (const QByteArray& recipient : envelope.recipients)
        commands.append("RCPT TO:<" + recipient + '>');
    commands.append("DATA");
    // A pipelining server gets the whole envelope at once; its replies come in the same order.
    const bool together = capabilities_.pipelining;
    if (together) {
        for (const QByteArray& line : commands)
            stream_.write(line);
    }
    std::optional<SmtpReply> mailFrom, data;
    QStringList accepted, refusedRecipients;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        // Without pipelining, nothing more is asked once the sender or every recipient is refused.
        const bool pointless = (mailFrom && mailFrom->code != 250) || (i == commands.size() - 1 && accepted.isEmpty());
        if (!together && pointless)
            break;
        const std::optional<SmtpReply> reply = together ? readReply() : command(commands[i]);
        if (!reply)
            return false;
        if (i == 0)
            mailFrom = reply;
        else if (i == commands.size() - 1)
            data = reply;
        else if (reply->code == 250 || reply->code == 251)
            accepted.append(QString::fromLatin1(envelope.recipients[i - 1]));
        else
            refusedRecipients.append(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(envelope.recipients[i - 1]),
                                                                  QString::fromUtf8(reply->text())));
    }
    const bool goAhead = mailFrom->code == 250 && !accepted.isEmpty();
    if (data && data->code == 354 && !goAhead) {
        // The server let the data in although no recipient is left: an empty mail ends it.
        stream_.write(".");
        if (!readReply())
            return false;
    }
    if (mailFrom->code != 250)
        return refused(*mailFrom), reset(), false;
    if (accepted.isEmpty() || !data || data->code != 354) {
        if (accepted.isEmpty() || !data)
            failure_ = MailFailure::of(MailFailure::Kind::RecipientsRefused, MailProtocol::Smtp, server_.display());
        else
            refused(*data);
        failure_.refused = refusedRecipients;
        return reset(), false;
    }
    if (!transmit(mail))
        return false;
    const std::optional<SmtpReply> done = readReply();
    if (!done)
        return false;
    if (done->code != 250) {
        refused(*done, done->code == 552 ? MailFailure::Kind::TooLarge : MailFailure::Kind::Refused);
        failure_.mailSize = size;
        failure_.sizeLimit = capabilities_.sizeLimit;
        return false;
    }
    if (!refusedRecipients.isEmpty()) {
        failure_ = MailFailure::of(MailFailure::Kind::RecipientsRefused, MailProtocol::Smtp, server_.display());
        failure_.refused = refusedRecipients;
        failure_.accepted = accepted;
        return false;
    }
    return true;
}

void SmtpClient::quit()
{
    // The server's answer to QUIT changes nothing: every mail was answered before.
    if (open_) {
        stream_.write("QUIT");
        stream_.readLine();
    }
    open_ = false;
    stream_.abort();
}

}  // namespace nmail
