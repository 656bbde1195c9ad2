#include "mail/trust/CertificateTrust.h"

#include "mail/trust/ServerLines.h"

#include <QSslCertificate>

namespace nmail {

namespace {

QString names(const QSslCertificate& certificate, bool issuer)
{
    QStringList parts;
    for (const auto attribute : {QSslCertificate::CommonName, QSslCertificate::Organization,
                                 QSslCertificate::OrganizationalUnitName, QSslCertificate::CountryName}) {
        const QStringList values = issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        if (!values.isEmpty())
            parts.append(values.join(QStringLiteral(", ")));
    }
    return parts.isEmpty() ? QStringLiteral("(名前なし)") : parts.join(QStringLiteral(" / "));
}

}  // namespace

CertificateFacts CertificateFacts::of(const QString& server, const QSslCertificate& certificate)
{
    CertificateFacts facts;
    facts.server = server;
    facts.subject = names(certificate, false);
    facts.issuer = names(certificate, true);
    facts.validFrom = certificate.effectiveDate();
    facts.validUntil = certificate.expiryDate();
    // A missing certificate has no fingerprint that could ever be trusted.
    if (!certificate.isNull())
        facts.sha256 = certificate.digest(QCryptographicHash::Sha256);
    return facts;
}

QString CertificateFacts::fingerprintText() const
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

TrustedCertificates::TrustedCertificates(QString path) : path_(std::move(path))
{
    // Lines that do not read as "server hex-fingerprint" are dropped, not trusted.
    for (const auto& [server, hex] : serverlines::read(path_)) {
        const QByteArray pin = QByteArray::fromHex(hex);
        if (pin.size() == 32)
            pins_.append({server, pin});
    }
}

std::optional<QByteArray> TrustedCertificates::pinFor(const QString& server) const
{
    for (const auto& [key, pin] : pins_) {
        if (key == serverlines::key(server))
            return pin;
    }
    return std::nullopt;
}

bool TrustedCertificates::trust(const CertificateFacts& facts, QString* error)
{
    if (path_.isEmpty()) {
        *error = QStringLiteral("証明書を保存する場所が決まっていません");
        return false;
    }
    pins_.removeIf([&](const auto& pin) { return pin.first == serverlines::key(facts.server); });
    pins_.append({serverlines::key(facts.server), facts.sha256});
    QList<serverlines::Entry> lines;
    for (const auto& [server, pin] : pins_)
        lines.append({server, pin.toHex()});
    return serverlines::write(path_, lines, error);
}

std::optional<CertificateFacts> judgeCertificate(const QString& trustFile, const QString& server,
                                                 const QSslCertificate& leaf, bool chainTrusted,
                                                 const QStringList& problems)
{
    const std::optional<QByteArray> pin = TrustedCertificates(trustFile).pinFor(server);
    const QByteArray fingerprint = leaf.digest(QCryptographicHash::Sha256);
    if (pin ? *pin == fingerprint : chainTrusted)
        return std::nullopt;
    CertificateFacts facts = CertificateFacts::of(server, leaf);
    facts.problems = problems;
    facts.replacesPinned = pin.has_value();
    if (leaf.isNull())
        facts.problems.append(QStringLiteral("サーバーが証明書を示しませんでした"));
    return facts;
}

}  // namespace nmail
