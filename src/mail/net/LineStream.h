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

#include <chrono>
#include <functional>
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

    // The next line without its line end; nullopt when the connection broke, went silent or
    // sent too slowly. patience, when longer than the timeout, is the wait for its first byte (a
    // server committing many deletions says nothing for a while).
    std::optional<QByteArray> readLine(std::chrono::milliseconds patience = {});

    // Takes the bytes of an answer; false to take no more, which ends the session (failure()
    // says Abandoned): an answer that is not read to its end leaves the session out of step.
    using Sink = std::function<bool(const char* data, qsizetype size)>;
    // Hands the lines of a multi-line answer up to the lone "." to sink, dot-unstuffed, each with
    // its own line end, a run of lines at a time; a line longer than what is held at once comes
    // in pieces. Memory stays bounded whatever the answer's size. False when the connection
    // broke, went silent or sent too slowly before the end, or sink took no more.
    bool readMultiline(const Sink& sink);
    // The same into out; also false when the answer grew past limit bytes.
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
    void startRateWindow();
    bool handshake();
    bool fail(MailFailure::Kind kind, const QString& detail = {});
    int waitMs() const;

    ServerAddress server_;
    MailProtocol protocol_;
    ConnectionSettings settings_;
    QSslSocket socket_;
    QByteArray buffer_;
    qsizetype position_ = 0;  // start of the unread bytes in buffer_
    std::chrono::milliseconds patience_{};
    std::chrono::steady_clock::time_point windowStart_;
    qint64 windowBytes_ = 0;
    bool sawCertificateErrors_ = false;
    std::optional<CertificateFacts> untrusted_;
    MailFailure failure_;
};

}  // namespace nmail
