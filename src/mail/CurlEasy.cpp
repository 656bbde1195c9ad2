#include "mail/CurlEasy.h"

#include "mail/MailOptions.h"

#include <QRegularExpression>
#include <QSslCertificate>

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace nmail {

namespace {
long wholeSeconds(std::chrono::milliseconds ms)
{
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, (ms.count() + 999) / 1000));
}
}  // namespace

CurlEasy::CurlEasy() : handle_(curl_easy_init())
{
    const MailOptions& opts = options();
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(opts.timeout.count()));
    curl_easy_setopt(handle_, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(opts.timeout));
    // A transfer that moves nothing for the whole timeout is a silent server.
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, wholeSeconds(opts.timeout));
    curl_easy_setopt(handle_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!opts.caFile.isEmpty()) {
        caFile_ = opts.caFile.toStdString();
        curl_easy_setopt(handle_, CURLOPT_CAINFO, caFile_.c_str());
    }
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &CurlEasy::onWrite);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    // The debug stream is the only place libcurl shows the server's own reply lines.
    curl_easy_setopt(handle_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle_, CURLOPT_DEBUGFUNCTION, &CurlEasy::onDebug);
    curl_easy_setopt(handle_, CURLOPT_DEBUGDATA, this);
}

void CurlEasy::checkCertificateOf(const ServerAddress& server)
{
    server_ = server;
    curl_easy_setopt(handle_, CURLOPT_SSL_CTX_FUNCTION, &CurlEasy::onSslContext);
    curl_easy_setopt(handle_, CURLOPT_SSL_CTX_DATA, this);
    // A pinned certificate is accepted for exactly this server whatever names it carries; the
    // verification below compares it byte for byte instead.
    const bool pinned = TrustedCertificates(options().trustFile).pinFor(server.display()).has_value();
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, pinned ? 0L : 2L);
}

CURLcode CurlEasy::onSslContext(CURL*, void* context, void* self)
{
    SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(context), &CurlEasy::onVerify, self);
    return CURLE_OK;
}

int CurlEasy::onVerify(X509_STORE_CTX* store, void* self)
{
    auto* me = static_cast<CurlEasy*>(self);
    QStringList problems;
    if (X509_verify_cert(store) != 1)
        problems.append(QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store))));
    X509* leaf = X509_STORE_CTX_get0_cert(store);
    const QByteArray host = me->server_->host.toUtf8();
    const bool nameMatches = leaf && (X509_check_host(leaf, host.constData(), static_cast<size_t>(host.size()), 0, nullptr) == 1
                                      || X509_check_ip_asc(leaf, host.constData(), 0) == 1);
    if (!nameMatches)
        problems.append(QStringLiteral("証明書の名前がサーバー名 %1 と一致しません").arg(me->server_->host));
    QByteArray der;
    if (leaf) {
        der.resize(i2d_X509(leaf, nullptr));
        auto* out = reinterpret_cast<unsigned char*>(der.data());
        i2d_X509(leaf, &out);
    }
    me->untrusted_ = judgeCertificate(options().trustFile, me->server_->display(), QSslCertificate(der, QSsl::Der), problems.isEmpty(), problems);
    if (me->untrusted_)
        return 0;
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
}

CurlEasy::~CurlEasy()
{
    curl_easy_cleanup(handle_);
}

CURLcode CurlEasy::perform(const std::string& url, QByteArray* sink, qsizetype maxBytes)
{
    sink_ = sink;
    maxBytes_ = maxBytes;
    overflowed_ = false;
    refusal_.clear();
    errorText_[0] = '\0';
    curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
    return curl_easy_perform(handle_);
}

QString CurlEasy::failure(CURLcode code) const
{
    QString text = overflowed_ ? QStringLiteral("the server sent more data than announced")
                   : errorText_[0] ? QString::fromUtf8(errorText_)
                                   : QString::fromUtf8(curl_easy_strerror(code));
    if (!refusal_.isEmpty())
        text += QStringLiteral(" / server: ") + QString::fromUtf8(refusal_);
    return text;
}

long CurlEasy::responseCode() const
{
    long code = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

size_t CurlEasy::onWrite(char* data, size_t size, size_t count, void* self)
{
    auto* me = static_cast<CurlEasy*>(self);
    const size_t bytes = size * count;
    if (!me->sink_)
        return bytes;
    if (me->sink_->size() + static_cast<qsizetype>(bytes) > me->maxBytes_) {
        me->overflowed_ = true;
        return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
    me->sink_->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int CurlEasy::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    if (type != CURLINFO_HEADER_IN)
        return 0;
    static const QRegularExpression refusal(QStringLiteral("^(-ERR|[45]\\d\\d)"));
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(std::min<size_t>(size, 1024))).trimmed();
    if (refusal.match(QString::fromLatin1(line)).hasMatch())
        static_cast<CurlEasy*>(self)->refusal_ = line;
    return 0;
}

}  // namespace nmail
