#pragma once
// Suites that log in on purpose to a server without TLS (a scripted one, the second POP3 server)
// give the consent a user gives in the question, kept in a file of their own while they run.

#include "MailBuffers.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "mail/trust/ServerSecurity.h"

#include <QTemporaryDir>

class UnencryptedLogins {
public:
    UnencryptedLogins() { nmail::options().securityFile = dir_.filePath(QStringLiteral("server-security.txt")); }
    ~UnencryptedLogins() { nmail::options().securityFile.clear(); }
    UnencryptedLogins(const UnencryptedLogins&) = delete;
    UnencryptedLogins& operator=(const UnencryptedLogins&) = delete;

    QString file() const { return nmail::options().securityFile; }

    // The user allowed the password in clear for server and, with spokeTls, an earlier session
    // to it spoke TLS. False when the file cannot be written.
    bool remember(const QString& server, bool spokeTls) const
    {
        QString error;
        nmail::ServerSecurity memory(file());
        return memory.allowPlainText(server, &error) && (!spokeTls || memory.rememberTls(server, &error));
    }

    // NMailPop3Connect to server, the user having agreed to send it the password unencrypted.
    static int connect(const QString& server)
    {
        nmail::NMailAllowUnencryptedLogin(server);
        return nmail::NMailPop3Connect(sjis(server));
    }

private:
    QTemporaryDir dir_;
};
