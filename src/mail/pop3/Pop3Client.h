#pragma once
// One POP3 mailbox session over one connection (RFC 1939, with RFC 2449 CAPA and PIPELINING and
// RFC 2595 STLS). The login is exactly the one asked for: APOP never falls back to a clear-text
// password, and the ordinary login never turns into APOP. When the server pipelines, retrievals
// are asked for a few mails ahead and deletions are sent without waiting for their answers, so
// the connection is never idle while the caller stores a mail.
//
// Two kinds of failure: a refused command (the server answered "-ERR"; the session goes on) and
// a broken session (the connection is gone, silent or out of step; every later call fails).
// Nothing here connects again behind the caller's back: deletions would be committed and the
// mails renumbered under it.

#include "mail/MailBytes.h"
#include "mail/ServerAddress.h"
#include "mail/pop3/Pop3Capabilities.h"
#include "mail/net/LineStream.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

namespace nmail {

class Pop3Client {
public:
    Pop3Client(ServerAddress server, ConnectionSettings settings);

    // Connects, reads the greeting and the capabilities, and moves to TLS with STLS when the
    // server offers it. False when the server cannot be reached, does not greet with "+OK", its
    // certificate is not trusted, it refuses the STLS it offered, or it offers none although it
    // spoke TLS before (a downgrade): the session is then over before any credential.
    bool connectToServer();

    // Logs in with APOP only (apop set) or with USER/PASS (a SASL PLAIN or LOGIN exchange when
    // the server offers no USER), then lists the mails and their unique ids. Returns the number
    // of mails, or -1. A password goes only inside TLS or where the user allowed it for this
    // server; otherwise nothing is sent, failure() is ConsentNeeded and login may be called
    // again once the user agreed.
    int login(const QString& userId, const QString& password, bool apop);

    // The whole message n as the server sent it for RETR n (dot-unstuffing undone), kept until
    // another number is asked for. Null on failure. However large, it is never held in memory
    // whole (MailBytes.h).
    std::shared_ptr<const MailBytes> message(int number);

    // The header of message n (the lines up to the empty one that ends it, perhaps more): from the
    // message fetched last when it is that one, else from TOP n 0, or the whole message when the
    // server refuses TOP. Nullopt on failure. Best asked before any message is fetched: what
    // runs ahead for the fetch is dropped first.
    std::shared_ptr<const MailBytes> header(int number);

    // Where a large mail waits while it is read (MailBytes.h); empty keeps every mail in memory.
    void setSpoolFolder(QString folder) { spoolFolder_ = std::move(folder); }

    // The size of message n as the server listed it, or -1 for an unknown number.
    qint64 listedSize(int number) const;
    // The server's unique id of message n (UIDL), empty when the server offers none.
    QByteArray uniqueId(int number) const;

    // Marks message n for deletion; the server removes it when the session ends with QUIT. A
    // pipelined deletion is answered later: a refusal shows in quit().
    bool remove(int number);

    // Ends the session with QUIT. True only when the server acknowledged it and refused none of
    // the deletions, i.e. every deletion asked for is committed.
    bool quit();

    const QString& error() const { return error_; }
    // The session is over: its connection broke or went out of step, and every later call fails.
    bool broken() const { return broken_; }
    // The kind of the last failure and the server's words; error() says it to the user.
    const MailFailure& failure() const { return failure_; }
    const std::optional<CertificateFacts>& untrustedCertificate() const { return stream_.untrusted(); }

private:
    struct Pending {
        enum class Kind { Retrieve, Delete } kind;
        int number;
    };

    // Reads a status line: true for "+OK" (or a SASL "+" prompt), false for "-ERR" (refusal is
    // set, the session goes on) or a break (broken() is set).
    bool status(QByteArray* refusal = nullptr, std::chrono::milliseconds patience = {});
    // Sends one command and reads its status line.
    bool command(const QByteArray& line);
    bool multiline(QByteArray& out, qsizetype limit);
    // Reads a dot-terminated answer of any size (a mail, a header).
    std::shared_ptr<const MailBytes> collect();
    // Whether message number may be asked for: the session usable and the number listed.
    bool askable(int number);
    // Reads every answer still pending (what ran ahead is dropped). False when the session broke.
    bool settleAll();
    // Puts context before the reason already in error(); returns false.
    bool fail(const QString& context);
    // Sets a failure of this session's own; endWith also ends the connection.
    bool failWithKind(MailFailure::Kind kind, const QByteArray& reply = {});
    bool endWith(MailFailure::Kind kind, const QByteArray& reply = {});
    bool readCapabilities();
    bool upgradeToTls();
    // False (ConsentNeeded) when a password would go unencrypted without the user's consent.
    bool passwordMaySend();
    bool authenticate(const QString& userId, const QString& password, bool apop);
    bool saslLogin(const QByteArray& mechanism, const QByteArray& userId, const QByteArray& password);
    bool readListings();
    // Asks for message number and, when the server pipelines, for the next few after it.
    void requestAhead(int number);
    // What a RETR of message number adds to aheadBytes_.
    qint64 aheadCost(int number) const;
    // Reads the answer to the oldest pending command; a mail not wanted is read but not kept.
    bool settle(bool wanted);
    // Reads a dot-terminated answer to its end and drops it.
    bool discard();
    bool usable();

    ServerAddress server_;
    LineStream stream_;
    QByteArray greeting_;
    QByteArray lastReply_;
    Pop3Capabilities capabilities_;
    std::vector<qint64> sizes_;
    std::vector<QByteArray> uniqueIds_;
    std::deque<Pending> pending_;
    int requestedUpTo_ = 0;  // the highest number a pipelined RETR was sent for
    qint64 aheadBytes_ = 0;  // aheadCost() of the RETRs in pending_
    int cachedNumber_ = 0;
    std::shared_ptr<const MailBytes> cached_;
    QString spoolFolder_;
    QStringList refusedDeletions_;
    int deletions_ = 0;
    qint64 discarded_ = 0;  // bytes of answers read for nothing in this session
    QString error_;
    MailFailure failure_;
    bool broken_ = false;
};

}  // namespace nmail
