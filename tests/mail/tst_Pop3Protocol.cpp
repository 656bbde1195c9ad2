// The POP3 conversation itself, played against a scripted server that checks every client line:
// the login the user chose and no other, one connection for the whole session, pipelined
// retrievals and deletions on a server that offers PIPELINING, and what a refusal leaves usable.

#include "MailBuffers.h"
#include "ScriptedServer.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {
const QByteArray Stamp = "<1896.697170952@dbc.mtview.ca.us>";
const QByteArray Mail1 = "Subject: one\r\n\r\nfirst\r\n";
const QByteArray Mail2 = "Subject: two\r\n\r\nsecond\r\n";

QByteArrayList served(const QByteArray& mail)
{
    return {"S: +OK", "P: " + mail, "S: ."};
}

bool anyLineStartsWith(const QByteArrayList& lines, const QByteArray& start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const QByteArray& l) { return l.startsWith(start); });
}
}  // namespace

class Pop3ProtocolTest : public QObject {
    Q_OBJECT

    UnencryptedLogins logins;

private slots:
    void initTestCase()
    {
        NMailInitializeWinSock();
        options().timeout = std::chrono::seconds(5);
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // A greeting with an APOP timestamp does not make the ordinary login an APOP one: servers
    // greet that way for every account, also for those that have no APOP secret.
    void ordinaryLoginIgnoresTheApopTimestamp()
    {
        ScriptedServer server({{"S: +OK ready " + Stamp, "C: CAPA", "S: +OK", "S: USER", "S: TOP", "S: .",
                                "C: USER tessa", "S: +OK", "C: PASS secret", "S: +OK in", "C: LIST", "S: +OK",
                                "S: .", "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(server.mismatch(), QString());
        QVERIFY(!anyLineStartsWith(server.received(), "APOP"));
    }

    // APOP sends the digest of the greeting's timestamp and the secret (the example of RFC 1939),
    // never the secret itself.
    void apopSendsOnlyTheDigest()
    {
        ScriptedServer server({{"S: +OK POP3 server ready " + Stamp, "C: CAPA", "S: -ERR unknown command",
                                "C: APOP mrose c4c9334bac560ecc979e58001b3e22fb", "S: +OK maildrop has 0",
                                "C: LIST", "S: +OK", "S: .", "C: UIDL", "S: -ERR not here", "C: QUIT", "S: +OK"}});
        const int handle = NMailPop3Connect(sjis(server.address()));
        QCOMPARE(NMailPop3Authenticate(handle, "mrose", "tanstaaf", -1), 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(server.mismatch(), QString());
    }

    void saslPlainWhenTheServerTakesNoUserCommand()
    {
        ScriptedServer server({{"S: +OK ready", "C: CAPA", "S: +OK", "S: SASL PLAIN", "S: .",
                                "C: AUTH PLAIN AHRlc3NhAHNlY3JldA==", "S: +OK in", "C: LIST", "S: +OK", "S: .",
                                "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 0);
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    // On a pipelining server the next retrieval is asked for before the first is answered and a
    // deletion goes out without waiting; a deletion the server refused shows at the close, which
    // then does not count as committed.
    void pipelinedSessionReportsARefusedDeletionAtTheClose()
    {
        ScriptedServer server({QByteArrayList{"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL",
                                              "S: PIPELINING", "S: .", "C: USER tessa", "S: +OK", "C: PASS secret",
                                              "S: +OK", "C: LIST", "C: UIDL", "S: +OK", "S: 1 22", "S: 2 23", "S: .",
                                              "S: +OK", "S: 1 uid-one", "S: 2 uid-two", "S: .", "C: RETR 1", "C: RETR 2"}
                               + served(Mail1) + served(Mail2)
                               + QByteArrayList{"C: DELE 1", "C: DELE 2", "S: +OK", "S: -ERR [SYS/PERM] read-only",
                                                "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 2);
        std::vector<char> uidl(100, 'X');
        NMailPop3GetMailUidl(handle, 2, uidl);
        QCOMPARE(QByteArray(uidl.data()), QByteArray("uid-two"));
        MailBuffers b;
        b.text.assign(100, 'X');
        for (int n : {1, 2}) {
            QVERIFY2(NMailPop3GetMail(handle, n, b.subject, b.date, b.sender, b.header, b.text, 0, 0) == 0,
                     qPrintable(lastMailError()));
            QCOMPARE(b.subjectText(), n == 1 ? QStringLiteral("one") : QStringLiteral("two"));
            QCOMPARE(NMailPop3DeleteMail(handle, n), 0);
        }
        QVERIFY(NMailPop3Close(handle) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("read-only")), qPrintable(lastMailError()));
        QCOMPARE(server.mismatch(), QString());
    }

    // A refused command is the server's answer, not the end of the session.
    void refusedRetrievalLeavesTheSessionUsable()
    {
        ScriptedServer server({QByteArrayList{"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: .",
                                              "C: USER tessa", "S: +OK", "C: PASS secret", "S: +OK", "C: LIST",
                                              "S: +OK", "S: 1 22", "S: 2 23", "S: .", "C: RETR 1",
                                              "S: -ERR [SYS/TEMP] try later", "C: RETR 2"}
                               + served(Mail2) + QByteArrayList{"C: DELE 2", "S: +OK", "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 2);
        MailBuffers b;
        b.text.assign(100, 'X');
        QVERIFY(NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("try later")), qPrintable(lastMailError()));
        QCOMPARE(NMailPop3GetMail(handle, 2, b.subject, b.date, b.sender, b.header, b.text, 0, 0), 0);
        QCOMPARE(b.subjectText(), QStringLiteral("two"));
        QCOMPARE(NMailPop3DeleteMail(handle, 2), 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(server.mismatch(), QString());
    }

    // User names and passwords are sent on a command line of their own: a line break in one
    // would smuggle in a command.
    void lineBreakInTheAccountIsRefusedBeforeSending()
    {
        ScriptedServer server({{"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: .", "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret\r\nDELE 1", 0) < 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QVERIFY(!anyLineStartsWith(server.received(), "USER"));
        QVERIFY(!anyLineStartsWith(server.received(), "DELE"));
    }
};

QTEST_GUILESS_MAIN(Pop3ProtocolTest)
#include "tst_Pop3Protocol.moc"
