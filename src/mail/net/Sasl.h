#pragma once
// What POP3 (RFC 5034) and SMTP (RFC 4954) logins share of SASL.

#include <QByteArray>
#include <QByteArrayList>

#include <algorithm>

namespace nmail::sasl {

// The PLAIN response (RFC 4616): no authorization identity, then the user and the password.
inline QByteArray plainResponse(const QByteArray& user, const QByteArray& password)
{
    return ('\0' + user + '\0' + password).toBase64();
}

// Whether a server's mechanisms take an OAuth 2.0 token only, never a password.
inline bool onlyOAuth(const QByteArrayList& mechanisms)
{
    return !mechanisms.isEmpty() && std::all_of(mechanisms.begin(), mechanisms.end(), [](const QByteArray& m) {
        return m == "XOAUTH2" || m == "OAUTHBEARER";
    });
}

}  // namespace nmail::sasl
