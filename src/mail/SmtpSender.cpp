#include "mail/SmtpSender.h"

#include "mail/CurlEasy.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"

#include <cstring>
#include <memory>

namespace nmail {

namespace {

struct Upload {
    const QByteArray& data;
    qsizetype position = 0;

    static size_t read(char* buffer, size_t size, size_t count, void* self)
    {
        auto* me = static_cast<Upload*>(self);
        const qsizetype room = static_cast<qsizetype>(size * count);
        const qsizetype chunk = std::min(room, me->data.size() - me->position);
        std::memcpy(buffer, me->data.constData() + me->position, static_cast<size_t>(chunk));
        me->position += chunk;
        return static_cast<size_t>(chunk);
    }
};

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

enum class Outcome { Sent, NeedsAuth, Failed };

// The connection pool of the running batch, if any.
CURLSH* batchConnections = nullptr;

Outcome attempt(const ServerAddress& server, const SmtpEnvelope& envelope, const QByteArray& message,
                bool withAuth, QString* error, std::optional<CertificateFacts>* untrusted)
{
    CurlEasy curl;
    curl.checkCertificateOf(server);
    CURL* h = curl.handle();
    if (batchConnections)
        curl_easy_setopt(h, CURLOPT_SHARE, batchConnections);
    const std::string from = '<' + envelope.from.toStdString() + '>';
    std::unique_ptr<curl_slist, SlistFree> recipients;
    for (const QString& recipient : envelope.recipients)
        recipients.reset(curl_slist_append(recipients.release(), ('<' + recipient.toStdString() + '>').c_str()));
    Upload upload{message};
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &Upload::read);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    if (withAuth) {
        curl_easy_setopt(h, CURLOPT_USERNAME, options().smtpUserId.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, options().smtpPassword.toUtf8().constData());
    }
    const CURLcode code = curl.perform(server.url(MailProtocol::Smtp));
    if (code == CURLE_OK)
        return Outcome::Sent;
    *error = QStringLiteral("SMTPサーバー %1 に送信できません: %2").arg(server.display(), curl.failure(code));
    if (curl.untrusted()) {
        *untrusted = curl.untrusted();
        *error = QStringLiteral("SMTPサーバー %1 の証明書を信頼できません: %2")
                     .arg(server.display(), curl.untrusted()->problems.join(QStringLiteral("; ")));
        return Outcome::Failed;
    }
    return curl.responseCode() == 530 || curl.serverRefusal().startsWith("530") ? Outcome::NeedsAuth
                                                                                 : Outcome::Failed;
}

}  // namespace

NMailSmtpBatch::NMailSmtpBatch()
{
    if (batchConnections)
        return;
    batchConnections = curl_share_init();
    curl_share_setopt(batchConnections, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    ownsPool_ = true;
}

NMailSmtpBatch::~NMailSmtpBatch()
{
    // Every handle that used the pool is gone by now, so the cleanup ends the sessions.
    if (ownsPool_) {
        curl_share_cleanup(batchConnections);
        batchConnections = nullptr;
    }
}

bool sendMail(const ServerAddress& server, const SmtpEnvelope& envelope, const QByteArray& message,
              QString* error, std::optional<CertificateFacts>* untrusted)
{
    if (envelope.recipients.isEmpty()) {
        *error = QStringLiteral("宛先がありません");
        return false;
    }
    const bool haveAccount = !options().smtpUserId.isEmpty();
    const bool authFirst = haveAccount && options().submissionPorts.count(server.port) > 0;
    const Outcome outcome = attempt(server, envelope, message, authFirst, error, untrusted);
    if (outcome != Outcome::NeedsAuth)
        return outcome == Outcome::Sent;
    if (!haveAccount) {
        *error += QStringLiteral(" (サーバーが認証を求めていますが、IDが設定されていません)");
        return false;
    }
    return !authFirst && attempt(server, envelope, message, true, error, untrusted) == Outcome::Sent;
}

}  // namespace nmail
