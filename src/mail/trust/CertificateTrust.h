#pragma once
// Certificates the user trusted on purpose. A server whose certificate the system's authorities
// do not vouch for (a self-signed one on a home server, say) can be trusted once, after the user
// has seen its facts; from then on exactly that certificate is accepted for that server, and any
// other one is refused so the user is asked again. The pins live in a small file of their own:
// one "host:port SHA-256" line per server.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class QSslCertificate;

namespace nmail {

// What the user is shown before deciding whether to trust a certificate.
struct CertificateFacts {
    QString server;  // "host:port"
    QString subject;
    QString issuer;
    QDateTime validFrom;
    QDateTime validUntil;
    QByteArray sha256;     // of the DER encoding, 32 bytes
    QStringList problems;  // why the system does not trust it
    // Another certificate was trusted for this server before: it changed since.
    bool replacesPinned = false;

    static CertificateFacts of(const QString& server, const QSslCertificate& certificate);
    // "AB:CD:…" as certificate tools print it.
    QString fingerprintText() const;
};

class TrustedCertificates {
public:
    // The pins of the file at path (none when the path is empty or the file is missing).
    explicit TrustedCertificates(QString path);

    // The fingerprint trusted for server, if any.
    std::optional<QByteArray> pinFor(const QString& server) const;

    // Trusts the certificate for its server from now on, replacing an earlier pin. False with a
    // reason when the file cannot be written.
    bool trust(const CertificateFacts& facts, QString* error);

private:
    QString path_;
    QList<std::pair<QString, QByteArray>> pins_;
};

// The verdict on a server's certificate: chainTrusted tells whether the system's authorities
// vouch for it and its name matches the server. Returns nullopt when it may be used, else the
// facts the user must decide on. A server pinned in trustFile accepts exactly its pinned
// certificate.
std::optional<CertificateFacts> judgeCertificate(const QString& trustFile, const QString& server,
                                                 const QSslCertificate& leaf, bool chainTrusted,
                                                 const QStringList& problems);

}  // namespace nmail
