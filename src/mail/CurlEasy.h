#pragma once
// One libcurl easy handle set up the way every mail transfer here needs it: bounded waits,
// certificate checks against the configured trust store (or the certificate the user trusted
// for the server), STARTTLS when offered, and the last refusal the server gave kept for the
// user's error text.

#include "mail/ServerAddress.h"
#include "mail/trust/CertificateTrust.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <optional>
#include <string>

struct x509_store_ctx_st;

namespace nmail {

class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* handle() const { return handle_; }

    // Judges the certificate of server during the TLS handshake: the authorities and the host
    // name, or exactly the certificate the user trusted for it. A refused one is kept in
    // untrusted() and nothing is sent over the connection.
    void checkCertificateOf(const ServerAddress& server);
    const std::optional<CertificateFacts>& untrusted() const { return untrusted_; }

    // Runs one transfer of url. The received body goes to sink (when given), and a body that
    // grows past maxBytes ends the transfer with an error instead of eating memory.
    CURLcode perform(const std::string& url, QByteArray* sink = nullptr,
                     qsizetype maxBytes = 64 * 1024 * 1024);

    // A readable reason for a failed transfer: libcurl's own text, and the server's refusal
    // line when it sent one.
    QString failure(CURLcode code) const;

    // The last refusal line from the server ("-ERR ..." or a 4xx/5xx reply), empty if none.
    const QByteArray& serverRefusal() const { return refusal_; }
    long responseCode() const;

private:
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static CURLcode onSslContext(CURL*, void* context, void* self);
    static int onVerify(x509_store_ctx_st* store, void* self);

    CURL* handle_;
    char errorText_[CURL_ERROR_SIZE] = {};
    QByteArray* sink_ = nullptr;
    qsizetype maxBytes_ = 0;
    bool overflowed_ = false;
    QByteArray refusal_;
    std::string caFile_;
    std::optional<ServerAddress> server_;
    std::optional<CertificateFacts> untrusted_;
};

}  // namespace nmail
