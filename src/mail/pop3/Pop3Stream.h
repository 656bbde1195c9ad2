#pragma once
// The bytes of one POP3 connection: TCP, TLS from the first byte or after STLS, the server's
// certificate judged before a single command goes over it, reply lines and dot-terminated
// answers read with a bounded wait for every next byte. One stream is one connection: nothing
// here ever connects again behind the caller's back.

#include "mail/ServerAddress.h"
#include "mail/trust/CertificateTrust.h"

#include <QByteArray>
#include <QSslSocket>
#include <QString>

#include <optional>

namespace nmail {

class Pop3Stream {
public:
    explicit Pop3Stream(ServerAddress server);

    // Connects, with TLS at once on an implicit-TLS port. False with error() set.
    bool open();
    // Starts TLS on the open connection (after the server's "+OK" to STLS).
    bool startTls();
    bool encrypted() const { return socket_.isEncrypted(); }

    // Queues a command line (CR LF is added); it leaves with the next read.
    void write(const QByteArray& line);

    // The next line without its line end; nullopt when the connection broke or went silent.
    std::optional<QByteArray> readLine();
    // The lines of a multi-line answer up to the lone ".", dot-unstuffed, each with its own line
    // end. False when the connection broke or went silent before the end, or when the answer
    // grew past limit bytes.
    bool readMultiline(QByteArray& out, qsizetype limit);

    // Closes the connection at once, without a word to the server.
    void abort() { socket_.abort(); }

    const QString& error() const { return error_; }
    // Set when the connection failed because the server's certificate is not trusted.
    const std::optional<CertificateFacts>& untrusted() const { return untrusted_; }

private:
    bool fill();
    bool handshake();
    bool fail(const QString& why);

    ServerAddress server_;
    QSslSocket socket_;
    QByteArray buffer_;
    qsizetype position_ = 0;  // start of the unread bytes in buffer_
    bool sawCertificateErrors_ = false;
    std::optional<CertificateFacts> untrusted_;
    QString error_;
};

}  // namespace nmail
