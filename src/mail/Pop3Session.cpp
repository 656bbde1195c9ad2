#include "mail/Pop3Session.h"

#include <QList>

namespace nmail {

namespace {
// Slack over the listed size a RETR may use before it counts as a runaway answer.
constexpr qsizetype RetrieveSlack = 1024 * 1024;
}  // namespace

Pop3Session::Pop3Session(ServerAddress server) : server_(std::move(server)) {}

bool Pop3Session::fail(const QString& what, CURLcode code)
{
    error_ = what + QStringLiteral(": ") + curl_.failure(code);
    broken_ = true;
    return false;
}

bool Pop3Session::usable()
{
    if (broken_)
        error_ = QStringLiteral("POP3の接続は前のエラーで終了しています");
    return !broken_;
}

bool Pop3Session::probe()
{
    // Without credentials libcurl ends its connect phase after the greeting and CAPA/STLS.
    CurlEasy probe;
    curl_easy_setopt(probe.handle(), CURLOPT_CONNECT_ONLY, 1L);
    const CURLcode code = probe.perform(server_.url(MailProtocol::Pop3));
    if (code == CURLE_OK)
        return true;
    error_ = QStringLiteral("POP3サーバー %1 に接続できません: %2")
                 .arg(server_.display(), probe.failure(code));
    return false;
}

int Pop3Session::login(const QString& userId, const QString& password, bool apop)
{
    // libcurl copies the strings it is given.
    CURL* h = curl_.handle();
    curl_easy_setopt(h, CURLOPT_USERNAME, userId.toUtf8().constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.toUtf8().constData());
    curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, apop ? "AUTH=+APOP" : nullptr);
    QByteArray listing;
    const CURLcode code = curl_.perform(server_.url(MailProtocol::Pop3), &listing);
    if (code != CURLE_OK) {
        fail(QStringLiteral("認証に失敗しました"), code);
        if (apop && code == CURLE_LOGIN_DENIED && curl_.serverRefusal().isEmpty())
            error_ = QStringLiteral("APOPで認証できません: サーバーがAPOPに対応していません (%1)")
                         .arg(server_.display());
        return -1;
    }
    // A listing cut short ends in the middle of a line, whose size would be taken for the
    // mail's and let a mail cut at that size pass as whole.
    if (!listing.isEmpty() && !listing.endsWith('\n')) {
        error_ = QStringLiteral("メールの一覧の受信が途中で切れました");
        broken_ = true;
        return -1;
    }
    sizes_.clear();
    const QList<QByteArray> lines = listing.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() < 2)
            continue;
        // Numbers run from 1 to the number of mails; a larger one is noise, not a reason to
        // reserve room for it.
        bool ok = false;
        const int number = fields[0].toInt(&ok);
        if (!ok || number < 1 || number > lines.size())
            continue;
        if (sizes_.size() < static_cast<size_t>(number))
            sizes_.resize(static_cast<size_t>(number), -1);
        sizes_[static_cast<size_t>(number) - 1] = fields[1].toLongLong();
    }
    return static_cast<int>(sizes_.size());
}

qint64 Pop3Session::listedSize(int number) const
{
    if (number < 1 || static_cast<size_t>(number) > sizes_.size())
        return -1;
    return sizes_[static_cast<size_t>(number) - 1];
}

const QByteArray* Pop3Session::message(int number)
{
    if (number == cachedNumber_)
        return &cached_;
    cachedNumber_ = 0;
    cached_.clear();
    const qint64 listed = listedSize(number);
    if (!usable())
        return nullptr;
    if (listed < 0) {
        error_ = QStringLiteral("メール %1 はありません").arg(number);
        return nullptr;
    }
    curl_easy_setopt(curl_.handle(), CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl_.handle(), CURLOPT_NOBODY, 0L);
    const QString path = QStringLiteral("/%1").arg(number);
    const CURLcode code = curl_.perform(server_.url(MailProtocol::Pop3, path), &cached_,
                                        static_cast<qsizetype>(listed) + RetrieveSlack);
    if (code != CURLE_OK) {
        cached_.clear();
        fail(QStringLiteral("メール %1 を受信できません").arg(number), code);
        return nullptr;
    }
    // libcurl ends a RETR quietly when the server closes the connection before the final ".";
    // a mail shorter than the server said is such a cut, and must not be stored and deleted.
    if (cached_.size() < listed) {
        error_ = QStringLiteral("メール %1 の受信が途中で切れました (%2 / %3 バイト)")
                     .arg(number).arg(cached_.size()).arg(listed);
        cached_.clear();
        broken_ = true;
        return nullptr;
    }
    cachedNumber_ = number;
    return &cached_;
}

bool Pop3Session::remove(int number)
{
    if (!usable())
        return false;
    if (listedSize(number) < 0) {
        error_ = QStringLiteral("メール %1 はありません").arg(number);
        return false;
    }
    curl_easy_setopt(curl_.handle(), CURLOPT_CUSTOMREQUEST, "DELE");
    curl_easy_setopt(curl_.handle(), CURLOPT_NOBODY, 1L);
    const CURLcode code =
        curl_.perform(server_.url(MailProtocol::Pop3, QStringLiteral("/%1").arg(number)));
    curl_easy_setopt(curl_.handle(), CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl_.handle(), CURLOPT_NOBODY, 0L);
    if (code != CURLE_OK)
        return fail(QStringLiteral("メール %1 を削除できません").arg(number), code);
    if (number == cachedNumber_) {
        cachedNumber_ = 0;
        cached_.clear();
    }
    return true;
}

}  // namespace nmail
