#include "mail/pop3/Pop3Client.h"

#include "mail/MailFailureText.h"
#include "mail/net/Sasl.h"
#include "mail/trust/ServerSecurity.h"
#include "platform/TextFields.h"

#include <QCryptographicHash>
#include <QList>

#include <algorithm>

namespace nmail {

namespace {
constexpr qsizetype ListingLimit = 64 * 1024 * 1024;

// "-ERR [SYS/TEMP] text" (RFC 2449, RFC 3206): the code in brackets, upper case.
QByteArray responseCode(const QByteArray& line)
{
    const QByteArray rest = line.mid(4).trimmed();
    const qsizetype close = rest.indexOf(']');
    return rest.startsWith('[') && close > 1 ? rest.mid(1, close - 1).toUpper() : QByteArray();
}
}  // namespace

Pop3Client::Pop3Client(ServerAddress server, ConnectionSettings settings)
    : server_(server), stream_(std::move(server), MailProtocol::Pop3, std::move(settings))
{
}

bool Pop3Client::fail(const QString& context)
{
    error_ = context + QStringLiteral(": ") + error_;
    return false;
}

bool Pop3Client::usable()
{
    if (broken_)
        error_ = QStringLiteral("POP3の接続は前のエラーで終了しています (%1)").arg(error_);
    return !broken_;
}

bool Pop3Client::failWithKind(MailFailure::Kind kind, const QByteArray& reply)
{
    const QByteArray said = reply;  // reply may be the old failure's own
    failure_ = MailFailure::of(kind, MailProtocol::Pop3, server_.display());
    failure_.reply = said;
    failure_.code = responseCode(said);
    error_ = describe(failure_, stream_.settings().timeout);
    return false;
}

bool Pop3Client::endWith(MailFailure::Kind kind, const QByteArray& reply)
{
    broken_ = true;
    stream_.abort();
    return failWithKind(kind, reply);
}

bool Pop3Client::status(QByteArray* refusal, std::chrono::milliseconds patience)
{
    const std::optional<QByteArray> line = stream_.readLine(patience);
    if (!line) {
        failure_ = stream_.failure();
        error_ = stream_.error();
        broken_ = true;
        return false;
    }
    lastReply_ = *line;
    if (line->startsWith("+OK") || line->startsWith("+ ") || *line == "+")
        return true;
    if (line->startsWith("-ERR")) {
        if (refusal)
            *refusal = *line;
        return failWithKind(MailFailure::Kind::Refused, line->left(500));
    }
    return endWith(MailFailure::Kind::Protocol, *line);
}

bool Pop3Client::command(const QByteArray& line)
{
    stream_.write(line);
    return status();
}

bool Pop3Client::multiline(QByteArray& out, qsizetype limit)
{
    out.clear();
    if (stream_.readMultiline(out, limit))
        return true;
    error_ = stream_.error();
    broken_ = true;
    return false;
}

bool Pop3Client::readCapabilities()
{
    QByteArray lines;
    capabilities_ = {};
    if (command("CAPA") && multiline(lines, ListingLimit))
        capabilities_ = Pop3Capabilities::parse(lines);
    // A server that knows no CAPA refuses it; the session goes on with RFC 1939 alone.
    return !broken_;
}

bool Pop3Client::upgradeToTls()
{
    if (server_.implicitTls)
        return true;
    ServerSecurity memory(stream_.settings().securityFile);
    if (!capabilities_.stls)
        return !memory.spokeTls(server_.display()) || endWith(MailFailure::Kind::Downgrade);
    // Once STLS is offered there is no way back to clear text: a refusal is someone in between.
    if (!command("STLS"))
        return broken_ || endWith(MailFailure::Kind::TlsRefused, lastReply_);
    if (!stream_.startTls()) {
        failure_ = stream_.failure();
        error_ = stream_.error();
        broken_ = true;
        return false;
    }
    // What the server said before TLS could have been forged on the way: ask again.
    return readCapabilities();
}

bool Pop3Client::connectToServer()
{
    if (!stream_.open()) {
        failure_ = stream_.failure();
        error_ = stream_.error();
        broken_ = true;
        return false;
    }
    if (!status()) {
        broken_ = true;
        stream_.abort();
        return false;
    }
    greeting_ = lastReply_;
    if (!readCapabilities() || !upgradeToTls())
        return false;
    if (stream_.encrypted()) {
        // Remembered so that a later session without TLS shows as what it is. A file that cannot
        // be written costs that warning, not this session.
        QString ignored;
        ServerSecurity(stream_.settings().securityFile).rememberTls(server_.display(), &ignored);
    }
    return true;
}

bool Pop3Client::saslLogin(const QByteArray& mechanism, const QByteArray& userId, const QByteArray& password)
{
    if (mechanism == "PLAIN")
        return command("AUTH PLAIN " + sasl::plainResponse(userId, password));
    // LOGIN: the server asks for the name, then for the password.
    return command("AUTH LOGIN") && command(userId.toBase64()) && command(password.toBase64());
}

bool Pop3Client::passwordMaySend()
{
    if (stream_.encrypted() || ServerSecurity(stream_.settings().securityFile).plainTextAllowed(server_.display()))
        return true;
    return failWithKind(MailFailure::Kind::ConsentNeeded);
}

bool Pop3Client::authenticate(const QString& userId, const QString& password, bool apop)
{
    const QByteArray user = userId.toUtf8();
    const QByteArray secret = password.toUtf8();
    if (apop) {
        // The digest is no password: it may go without TLS.
        const QByteArray stamp = apopTimestamp(greeting_);
        if (stamp.isEmpty())
            return failWithKind(MailFailure::Kind::NoApop);
        const QByteArray digest = QCryptographicHash::hash(stamp + secret, QCryptographicHash::Md5).toHex();
        return command("APOP " + user + ' ' + digest);
    }
    // Neither USER nor a SASL mechanism that takes a password: no password is sent at all.
    if (capabilities_.known && !capabilities_.user && sasl::onlyOAuth(capabilities_.sasl))
        return failWithKind(MailFailure::Kind::OAuthRequired);
    if (!passwordMaySend())
        return false;
    if (capabilities_.known && !capabilities_.user) {
        for (const char* mechanism : {"PLAIN", "LOGIN"}) {
            if (capabilities_.sasl.contains(mechanism))
                return saslLogin(mechanism, user, secret);
        }
    }
    return command("USER " + user) && command("PASS " + secret);
}

int Pop3Client::login(const QString& userId, const QString& password, bool apop)
{
    if (!usable())
        return -1;
    // A line break would end the command early and smuggle the rest in as another one.
    for (const QString& value : {userId, password}) {
        if (textfields::hasLineBreakOrNul(value)) {
            error_ = QStringLiteral("IDまたはパスワードに改行などの制御文字が含まれています");
            return -1;
        }
    }
    if (!authenticate(userId, password, apop)) {
        // A refusal of the login itself is about the account, whatever command carried it.
        if (failure_.kind == MailFailure::Kind::Refused)
            failWithKind(MailFailure::Kind::Authentication, failure_.reply);
        return -1;
    }
    if (!readListings())
        return fail(QStringLiteral("メールの一覧を受信できません")), -1;
    return static_cast<int>(sizes_.size());
}

bool Pop3Client::readListings()
{
    const bool askIds = capabilities_.uidl || !capabilities_.known;
    // A pipelining server gets both questions at once.
    const bool together = capabilities_.pipelining && askIds;
    stream_.write("LIST");
    if (together)
        stream_.write("UIDL");
    QByteArray lines;
    if (!status() || !multiline(lines, ListingLimit))
        return false;
    sizes_.clear();
    const QList<QByteArray> entries = lines.split('\n');
    for (const QByteArray& entry : entries) {
        const QList<QByteArray> fields = entry.simplified().split(' ');
        bool ok = false;
        const int number = fields.size() >= 2 ? fields[0].toInt(&ok) : 0;
        // Numbers run from 1 to the number of mails; a larger one is noise, not a reason to
        // reserve room for it.
        if (!ok || number < 1 || number > entries.size())
            continue;
        if (sizes_.size() < static_cast<size_t>(number))
            sizes_.resize(static_cast<size_t>(number), -1);
        sizes_[static_cast<size_t>(number) - 1] = fields[1].toLongLong();
    }
    uniqueIds_.assign(sizes_.size(), {});
    if (!askIds)
        return true;
    if (!together)
        stream_.write("UIDL");
    // A server without UIDL refuses it; the session goes on without ids.
    if (!status())
        return !broken_;
    if (!multiline(lines, ListingLimit))
        return false;
    for (const QByteArray& entry : lines.split('\n')) {
        const QList<QByteArray> fields = entry.simplified().split(' ');
        bool ok = false;
        const int number = fields.size() == 2 ? fields[0].toInt(&ok) : 0;
        if (ok && number >= 1 && static_cast<size_t>(number) <= uniqueIds_.size())
            uniqueIds_[static_cast<size_t>(number) - 1] = fields[1];
    }
    return true;
}

qint64 Pop3Client::listedSize(int number) const
{
    if (number < 1 || static_cast<size_t>(number) > sizes_.size())
        return -1;
    return sizes_[static_cast<size_t>(number) - 1];
}

QByteArray Pop3Client::uniqueId(int number) const
{
    if (number < 1 || static_cast<size_t>(number) > uniqueIds_.size())
        return {};
    return uniqueIds_[static_cast<size_t>(number) - 1];
}

bool Pop3Client::quit()
{
    if (!usable())
        return false;
    if (!settleAll())
        return fail(QStringLiteral("POP3の終了前に接続が切れました"));
    // The server commits every deletion before it answers: a mailbox of thousands takes a while,
    // and a client that gave up would leave them all on the server.
    stream_.write("QUIT");
    if (!status(nullptr, stream_.settings().timeout + deletions_ * std::chrono::milliseconds(10))) {
        stream_.abort();
        return fail(QStringLiteral("POP3サーバー %1 が終了 (QUIT) を確認しませんでした").arg(server_.display()));
    }
    stream_.abort();
    if (!refusedDeletions_.isEmpty()) {
        error_ = QStringLiteral("サーバーが削除を断ったメールがあります: %1").arg(refusedDeletions_.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

}  // namespace nmail
