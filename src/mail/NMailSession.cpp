#include "mail/NMailSession.h"

#include "mail/AttachmentWriter.h"
#include "mail/FetchedMail.h"
#include "mail/HeaderDigest.h"
#include "mail/MailOptions.h"
#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"
#include "mail/pop3/Pop3Client.h"
#include "mail/trust/ServerSecurity.h"
#include "mail/smtp/SmtpSending.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QFileInfo>

#include <map>
#include <memory>

namespace nmail {

namespace {

struct LibraryState {
    int bufferSize = 8192;
    int nextHandle = 1;
    std::map<int, std::unique_ptr<Pop3Client>> sessions;
    // The certificate the last failed connection refused, for the user to decide on.
    std::optional<CertificateFacts> untrusted;
    // The server the last failed login would have sent a password to unencrypted.
    std::optional<QString> unencryptedLogin;
    QString lastError;
    bool tampering = false;  // the last failure may be someone between program and server
    FetchedMail fetched;
};

LibraryState& state()
{
    static LibraryState instance;
    return instance;
}

int failWith(const QString& text)
{
    state().lastError = text;
    return -1;
}

// Every call that does mail work starts with a clean slate: a failure text or a question left
// from an earlier call must not read as this call's.
void startCall()
{
    LibraryState& s = state();
    s.lastError.clear();
    s.tampering = false;
    s.untrusted.reset();
    s.unencryptedLogin.reset();
}

QString fromCp932(std::string_view bytes)
{
    return cp932::decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Copies bytes into out, cut to fit with a closing NUL; false when they were cut.
bool putBytes(std::span<char> out, const QByteArray& bytes, qsizetype limit)
{
    if (out.empty())
        return bytes.isEmpty();
    const qsizetype room = std::min(static_cast<qsizetype>(out.size()), limit) - 1;
    const qsizetype count = std::clamp<qsizetype>(bytes.size(), 0, std::max<qsizetype>(room, 0));
    std::copy_n(bytes.constData(), count, out.data());
    out[static_cast<size_t>(count)] = '\0';
    return count == bytes.size();
}

// As putBytes, for text in code page 932; a double-byte character is never split.
// Fills out with code page 932 bytes cut to fit; false when they did not fit whole.
bool putEncoded(std::span<char> out, const QByteArray& encoded, qsizetype limit)
{
    const qsizetype room = std::max<qsizetype>(std::min(static_cast<qsizetype>(out.size()), limit) - 1, 0);
    const QByteArray bytes = textfields::cutEncoded(encoded, room);
    putBytes(out, bytes, limit);
    return bytes.size() == encoded.size();
}

bool putText(std::span<char> out, const QString& text, qsizetype limit)
{
    return putEncoded(out, cp932::encode(text), limit);
}

// The text before the first NUL of a caller's buffer.
QByteArray cutAtNull(std::span<const char> buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return QByteArray(buffer.data(), static_cast<qsizetype>(end - buffer.begin()));
}

Pop3Client* session(int handle)
{
    const auto it = state().sessions.find(handle);
    if (it == state().sessions.end()) {
        failWith(QStringLiteral("POP3の接続がありません"));
        return nullptr;
    }
    return it->second.get();
}

const DecodedMail* fetch(int handle, int number)
{
    FetchedMail& fetched = state().fetched;
    if (fetched.is(handle, number))
        return &fetched.decoded();
    Pop3Client* pop = session(handle);
    std::shared_ptr<const MailBytes> raw = pop ? pop->message(number) : nullptr;
    if (!raw) {
        if (pop)
            failWith(pop->error());
        return nullptr;
    }
    fetched.take(handle, number, std::move(raw));
    return &fetched.decoded();
}

int fillStatus(const DecodedMail* mail, std::span<char> subject, std::span<char> date,
               std::span<char> sender, std::span<char> header)
{
    const LibraryState& s = state();
    const qsizetype limit = s.bufferSize;
    const FetchedMail::Encoded& texts = s.fetched.encoded();
    putEncoded(subject, mail ? texts.subject : QByteArray(), limit);
    putEncoded(date, mail ? texts.date : QByteArray(), limit);
    putEncoded(sender, mail ? texts.sender : QByteArray(), limit);
    putBytes(header, mail ? mail->header : QByteArray(), limit);
    return mail ? 0 : -1;
}

}  // namespace

int NMailInitializeWinSock()
{
    return 0;  // Qt's network layer needs no preparing
}

int NMailSetOption(int option, int value)
{
    if (option != 1 || value <= 0)
        return -1;
    state().bufferSize = value;
    return 0;
}

int NMailPop3Connect(std::string_view server)
{
    startCall();
    const auto address = ServerAddress::parse(fromCp932(server), MailProtocol::Pop3);
    if (!address)
        return failWith(QStringLiteral("POP3サーバーの指定が正しくありません: %1").arg(fromCp932(server)));
    auto pop = std::make_unique<Pop3Client>(*address, connectionSettings());
    pop->setSpoolFolder(options().spoolFolder);
    if (!pop->connectToServer()) {
        using Kind = MailFailure::Kind;
        const Kind kind = pop->failure().kind;
        state().untrusted = pop->untrustedCertificate();
        state().tampering = kind == Kind::TlsRefused || kind == Kind::Downgrade || kind == Kind::PinChanged;
        return failWith(pop->error());
    }
    LibraryState& s = state();
    const int handle = s.nextHandle++;
    s.sessions[handle] = std::move(pop);
    return handle;
}

int NMailPop3Authenticate(int handle, std::string_view userId, std::string_view password, int apop)
{
    startCall();
    Pop3Client* pop = session(handle);
    if (!pop)
        return -1;
    const int count = pop->login(fromCp932(userId), fromCp932(password), apop != 0);
    if (count >= 0)
        return count;
    if (pop->failure().kind == MailFailure::Kind::ConsentNeeded)
        state().unencryptedLogin = pop->failure().server;
    return failWith(pop->error());
}

int NMailPop3GetMailStatus(int handle, int number, std::span<char> subject, std::span<char> date,
                           std::span<char> sender, std::span<char> header, int)
{
    startCall();
    return fillStatus(fetch(handle, number), subject, date, sender, header);
}

int NMailPop3GetMailSize(int handle, int number)
{
    startCall();
    Pop3Client* pop = session(handle);
    qint64 size = pop ? pop->listedSize(number) : -1;
    if (pop && size < 0)
        return failWith(QStringLiteral("メール %1 はありません").arg(number));
    // Once the mail is here the size is that of its decoded text, which the caller allocates by:
    // the listed size is only the server's claim (a 3 KB mail listed as 4 GB, an estimate, 0).
    const LibraryState& s = state();
    if (size >= 0 && s.fetched.is(handle, number))
        size = s.fetched.textBytesNeeded();
    return static_cast<int>(std::min<qint64>(size, std::numeric_limits<int>::max()));
}

int NMailPop3GetMail(int handle, int number, std::span<char> subject, std::span<char> date,
                     std::span<char> sender, std::span<char> header, std::span<char> text, int, int)
{
    startCall();
    const DecodedMail* mail = fetch(handle, number);
    if (!putEncoded(text, mail ? state().fetched.encoded().text : QByteArray(), std::numeric_limits<qsizetype>::max()))
        state().fetched.addLosses(MailLoss::TextCut);
    return fillStatus(mail, subject, date, sender, header);
}

int NMailAttachmentFileFirst(int, std::span<char>, std::span<char>, std::span<char>,
                             std::span<char> header, std::span<char> text, std::string_view folder,
                             std::string_view, std::string_view wholeMail, int)
{
    startCall();
    LibraryState& s = state();
    // The whole mail the caller rebuilt holds no attachment data; the raw mail kept from the
    // fetch does, as long as it is the same mail.
    const bool sameMail = s.fetched.any() && !header.empty() &&
                          cutAtNull(header) == s.fetched.decoded().header.left(cutAtNull(header).size());
    const AttachmentReport report =
        sameMail ? writeAttachments(s.fetched.parsed(), fromCp932(folder), options().fileNaming)
                 : writeAttachments(ParsedMail(QByteArray(wholeMail.data(), static_cast<qsizetype>(wholeMail.size()))),
                                    fromCp932(folder), options().fileNaming);
    if (report.result < 0)
        failWith(report.error);
    s.fetched.addLosses(report.losses);
    // The text is given back listing each attachment under the name its file was written with
    // (a name already taken in the folder got a number).
    if (sameMail && report.result == 1) {
        QList<ListedAttachment> listed = s.fetched.decoded().attachments;
        for (qsizetype i = 0; i < listed.size(); ++i)
            listed[i].fileName = i < report.written.size() ? QFileInfo(report.written[i]).fileName() : QString();
        if (!putText(text, mailText(s.fetched.decoded().body, listed), std::numeric_limits<qsizetype>::max()))
            s.fetched.addLosses(MailLoss::TextCut);
    }
    return report.result;
}

std::shared_ptr<const MailBytes> NMailLastRawMail()
{
    return state().fetched.raw();
}

int NMailLastMailLoss() { return state().fetched.losses(); }

int NMailAttachmentFileClose(int)
{
    state().fetched.forget();
    return 0;
}

int NMailPop3DeleteMail(int handle, int number)
{
    startCall();
    Pop3Client* pop = session(handle);
    if (!pop)
        return -1;
    return pop->remove(number) ? 0 : failWith(pop->error());
}

int NMailPop3Close(int handle)
{
    startCall();
    LibraryState& s = state();
    if (s.fetched.isOf(handle))
        s.fetched.forget();
    const auto it = s.sessions.find(handle);
    if (it == s.sessions.end())
        return failWith(QStringLiteral("POP3の接続がありません"));
    const bool committed = it->second->quit();
    const QString error = it->second->error();
    s.sessions.erase(it);
    return committed ? 0 : failWith(error);
}

int NMailPop3Abort(int handle)
{
    startCall();
    LibraryState& s = state();
    if (s.fetched.isOf(handle))
        s.fetched.forget();
    return s.sessions.erase(handle) ? 0 : failWith(QStringLiteral("POP3の接続がありません"));
}

int NMailPop3GetMailUidl(int handle, int number, std::span<char> uidl)
{
    startCall();
    Pop3Client* pop = session(handle);
    putBytes(uidl, pop ? pop->uniqueId(number) : QByteArray(), std::numeric_limits<qsizetype>::max());
    return pop ? 0 : -1;
}

qint64 NMailPop3GetListedSize(int handle, int number)
{
    Pop3Client* pop = session(handle);
    return pop ? pop->listedSize(number) : -1;
}

int NMailPop3GetHeaderDigest(int handle, int number, std::span<char> digest)
{
    Pop3Client* pop = session(handle);
    const std::shared_ptr<const MailBytes> header = pop ? pop->header(number) : nullptr;
    if (pop && !header)
        failWith(pop->error());
    const QByteArray text = header ? mailHeaderDigest(QByteArrayView(header->view().data(), qsizetype(header->size())))
                                   : QByteArray();
    putBytes(digest, text, std::numeric_limits<qsizetype>::max());
    return header ? 0 : -1;
}

bool NMailPop3SessionUsable(int handle)
{
    const auto it = state().sessions.find(handle);
    return it != state().sessions.end() && !it->second->broken();
}

bool NMailLastFailureSuggestsTampering() { return state().tampering; }

std::optional<CertificateFacts> NMailUntrustedCertificate()
{
    return state().untrusted;
}

int NMailTrustCertificate(const CertificateFacts& certificate)
{
    startCall();
    QString error;
    if (certificate.sha256.isEmpty())
        return failWith(QStringLiteral("証明書がないので信頼できません"));
    return TrustedCertificates(options().trustFile).trust(certificate, &error)
               ? 0
               : failWith(QStringLiteral("信頼した証明書を保存できません: %1 (%2)").arg(options().trustFile, error));
}

std::optional<QString> NMailUnencryptedLoginServer()
{
    return state().unencryptedLogin;
}

int NMailAllowUnencryptedLogin(const QString& server)
{
    startCall();
    QString error;
    return ServerSecurity(options().securityFile).allowPlainText(server, &error)
               ? 0
               : failWith(QStringLiteral("同意を保存できません: %1 (%2)").arg(options().securityFile, error));
}

int NMailGetMessage(int, std::span<char> buffer, int& length)
{
    const qsizetype room = std::clamp<qsizetype>(length, 0, static_cast<qsizetype>(buffer.size()));
    putText(buffer.first(static_cast<size_t>(room)), state().lastError, state().bufferSize);
    length = room > 0 ? static_cast<int>(std::strlen(buffer.data())) : 0;
    return 0;
}

NMailSmtpBatch::NMailSmtpBatch() : pool_(std::make_unique<SmtpSessionPool>()) {}

NMailSmtpBatch::~NMailSmtpBatch() = default;

int NMailSmtpSendMail(std::string_view server, std::string_view to, std::string_view cc,
                      std::string_view bcc, std::string_view from, std::string_view subject,
                      std::string_view body, std::string_view header, std::string_view attachments,
                      int)
{
    startCall();
    const OutgoingTexts texts{fromCp932(server),  fromCp932(to),   fromCp932(cc),     fromCp932(bcc),        fromCp932(from),
                              fromCp932(subject), fromCp932(body), fromCp932(header), fromCp932(attachments)};
    const SendOutcome outcome = sendOutgoing(texts, {options().smtpUserId, options().smtpPassword}, connectionSettings());
    if (outcome.sent)
        return 0;
    state().untrusted = outcome.untrusted;
    state().unencryptedLogin = outcome.unencryptedLogin;
    return failWith(outcome.error);
}

int NMailEndWinSock()
{
    state().fetched.forget();
    state().sessions.clear();
    return 0;
}

}  // namespace nmail
