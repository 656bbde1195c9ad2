#pragma once
// The bytes of one mail-protocol connection, for POP3 and SMTP alike: TCP, TLS from the first
// byte or after STLS/STARTTLS (never below TLS 1.2), the server's certificate judged before a
// single command goes over it, reply lines and dot-terminated answers read with a bounded wait
// for every next byte. One stream is one connection: nothing here ever connects again behind the
// caller's back.

#include "mail/MailFailure.h"
#include "mail/ServerAddress.h"
#include "mail/net/ConnectionSettings.h"
#include "mail/trust/CertificateTrust.h"

#include <QByteArray>
#include <QSslSocket>
#include <QString>

#include <optional>

namespace nmail {

class LineStream {
public:
    LineStream(ServerAddress server, MailProtocol protocol, ConnectionSettings settings);

    // Connects, with TLS at once on an implicit-TLS port. False with failure() set.
    bool open();
    // Starts TLS on the open connection (after the server agreed to STLS or STARTTLS).
    bool startTls();
    bool encrypted() const { return socket_.isEncrypted(); }

    // Queues a command line (CR LF is added); it leaves with the next read or flush.
    void write(const QByteArray& line);
    // Queues bytes as they are; waits while much is still unsent, so that a large mail passes
    // through in pieces instead of piling up. False when the connection broke or went silent.
    bool writeRaw(const QByteArray& bytes);

    // The next line without its line end; nullopt when the connection broke or went silent.
    std::optional<QByteArray> readLine();
    // The lines of a multi-line answer up to the lone ".", dot-unstuffed, each with its own line
    // end. False when the connection broke or went silent before the end, or when the answer
    // grew past limit bytes.
    bool readMultiline(QByteArray& out, qsizetype limit);

    // Closes the connection at once, without a word to the server.
    void abort() { socket_.abort(); }

    const MailFailure& failure() const { return failure_; }
    // The failure in the user's words.
    QString error() const;
    // Set when the connection failed because the server's certificate is not trusted.
    const std::optional<CertificateFacts>& untrusted() const { return untrusted_; }
    const ServerAddress& server() const { return server_; }
    // The address this end of the connection goes out from.
    QHostAddress localAddress() const { return socket_.localAddress(); }
    const ConnectionSettings& settings() const { return settings_; }

private:
    bool fill();
    bool handshake();
    bool fail(MailFailure::Kind kind, const QString& detail = {});
    int waitMs() const;

    ServerAddress server_;
    MailProtocol protocol_;
    ConnectionSettings settings_;
    QSslSocket socket_;
    QByteArray buffer_;
    qsizetype position_ = 0;  // start of the unread bytes in buffer_
    bool sawCertificateErrors_ = false;
    std::optional<CertificateFacts> untrusted_;
    MailFailure failure_;
};

}  // namespace nmail
