#pragma once
// One POP3 mailbox session on one libcurl easy handle. The connection libcurl opens at login is
// kept by the handle and reused by every later command; deletions are committed by the QUIT
// libcurl sends when the session is destroyed.

#include "mail/CurlEasy.h"
#include "mail/ServerAddress.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace nmail {

class Pop3Session {
public:
    explicit Pop3Session(ServerAddress server);

    // Reaches the server and reads its greeting (negotiating STLS when offered), without
    // logging in. False when the server cannot be reached or does not greet with "+OK".
    bool probe();

    // Logs in with USER/PASS (or SASL when the server offers it) or, when apop is set, with
    // APOP only: a server without an APOP timestamp is refused rather than sent the password.
    // Returns the number of mails, or -1.
    int login(const QString& userId, const QString& password, bool apop);

    // The whole message n as the server sends it for RETR n, kept until another number is
    // asked for. Null on failure.
    const QByteArray* message(int number);

    // The size of message n as the server listed it, or -1 for an unknown number.
    qint64 listedSize(int number) const;

    // Marks message n for deletion; the server removes it when the session ends.
    bool remove(int number);

    const QString& error() const { return error_; }

private:
    // libcurl drops the connection after any failed command and would silently log in again on
    // the next one, with deletions already committed and the mails renumbered. So the first
    // failure ends the session for good.
    bool usable();

    bool fail(const QString& what, CURLcode code);

    ServerAddress server_;
    CurlEasy curl_;
    std::vector<qint64> sizes_;
    int cachedNumber_ = 0;
    QByteArray cached_;
    QString error_;
    bool broken_ = false;
};

}  // namespace nmail
