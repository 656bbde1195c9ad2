#pragma once
// An attacker on the path, for the transport's tests: a loopback proxy between the program and a
// real server that relays everything, or strips STLS/STARTTLS from what the server offers (and
// offers SMTP AUTH in its place, as a forger would), or answers the client's STLS/STARTTLS with
// a refusal of its own, or answers SMTP's MAIL FROM with 530. It keeps every byte the client
// sent, so a test can tell from the wire alone whether a credential crossed in clear.
//
// Runs in a thread of its own, one connection after the other, because the client under test
// blocks while it talks.

#include <QByteArray>
#include <QByteArrayList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <thread>

class TamperingProxy {
public:
    enum class Mode {
        Relay,      // bytes pass untouched, TLS included
        StripTls,   // STLS/STARTTLS removed from CAPA/EHLO answers; EHLO gains "AUTH PLAIN LOGIN"
        RefuseTls,  // the client's STLS/STARTTLS answered "-ERR" / "454" by the proxy
        Demand530,  // StripTls, and MAIL FROM answered "530 5.7.0 Authentication required"
    };

    // Listens on 127.0.0.1 (a free port) and forwards to 127.0.0.1:targetPort.
    explicit TamperingProxy(int targetPort);
    ~TamperingProxy();
    TamperingProxy(const TamperingProxy&) = delete;
    TamperingProxy& operator=(const TamperingProxy&) = delete;

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    void setMode(Mode mode) { mode_ = mode; }

    // Everything the client sent so far, over every connection.
    QByteArray fromClient();

private:
    void serve();
    void relay(int client);
    // Handles the complete lines in pending; returns what goes on to the other side.
    QByteArray clientLines(QByteArray& pending, int client);
    QByteArray serverLines(QByteArray& pending);

    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<Mode> mode_{Mode::Relay};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    QMutex mutex_;
    QByteArray fromClient_;
    QByteArrayList smtpReply_;  // lines of an SMTP reply being held until its last line
};
