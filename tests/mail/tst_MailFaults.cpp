// Faults real servers do not produce on demand, played by a scripted server: refusals at every
// step, drops, replies split at odd bytes, answers that never end, silence, a server without
// APOP, and what the client must never send.

#include "MailBuffers.h"
#include "ScriptedServer.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {
// One connection serves the whole session: the greeting and capabilities at the connect, then
// the ordinary login (without SASL on offer, USER and PASS).
const QByteArrayList Login = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: .",
                              "C: USER tessa", "S: +OK", "C: PASS secret", "S: +OK logged in"};
const QByteArray Mail = "Subject: split\r\n\r\nline one\r\n..dotted\r\n";

// A wait that is meant to run out: short, since only the silence can make it end.
struct ShortWait {
    ShortWait() { options().timeout = std::chrono::seconds(1); }
    ~ShortWait() { options().timeout = std::chrono::seconds(10); }
};

int connectAndLogin(ScriptedServer& server)
{
    const int handle = UnencryptedLogins::connect(server.address());
    return handle < 0 ? handle : (NMailPop3Authenticate(handle, "tessa", "secret", 0) < 0 ? -2 : handle);
}
}  // namespace

class MailFaultsTest : public QObject {
    Q_OBJECT

    UnencryptedLogins logins;

private slots:
    void initTestCase()
    {
        NMailInitializeWinSock();
        // Long enough for a busy machine; the cases about silence shorten it for themselves.
        options().timeout = std::chrono::seconds(10);
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    void refusedGreetingOrSilenceFailsTheConnect_data()
    {
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<QString>("reason");
        QTest::newRow("-ERR greeting") << QByteArrayList{"S: -ERR go away"} << QStringLiteral("-ERR go away");
        QTest::newRow("silent server") << QByteArrayList{"STALL"} << QStringLiteral("応答がありません");
        QTest::newRow("closes at once") << QByteArrayList{"DROP"} << QStringLiteral("127.0.0.1");
    }
    void refusedGreetingOrSilenceFailsTheConnect()
    {
        QFETCH(QByteArrayList, script);
        QFETCH(QString, reason);
        ShortWait wait;
        ScriptedServer server({script});
        QCOMPARE(UnencryptedLogins::connect(server.address()), -1);
        QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
    }

    void errEverywhereIsNegativeWithTheServersText()
    {
        const QByteArrayList list = {"C: LIST", "S: +OK", "S: 1 40", "S: 2 40", "S: ."};
        ScriptedServer server({Login + list + QByteArrayList{"C: RETR 1", "S: -ERR no such message", "DROP"},
                               Login + list + QByteArrayList{"C: DELE 2", "S: -ERR cannot delete", "DROP"}});
        int handle = connectAndLogin(server);
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        MailBuffers b;
        b.text.assign(41, 'X');
        QVERIFY(NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("-ERR no such message")), qPrintable(lastMailError()));
        QCOMPARE(b.bodyText(), QString());
        // The failure ended the session: nothing is sent on a fresh login behind the caller's back.
        QVERIFY(NMailPop3DeleteMail(handle, 2) < 0);
        NMailPop3Close(handle);

        handle = connectAndLogin(server);
        QVERIFY(NMailPop3DeleteMail(handle, 2) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("-ERR cannot delete")), qPrintable(lastMailError()));
        QVERIFY(NMailPop3GetMailStatus(handle, 1, b.subject, b.date, b.sender, b.header, 0) < 0);
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    void listRefusedFailsTheLogin()
    {
        ScriptedServer server({Login + QByteArrayList{"C: LIST", "S: -ERR [SYS/TEMP] mailbox locked"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret", 0) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("mailbox locked")), qPrintable(lastMailError()));
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    void listingNoiseIsNotCounted()
    {
        ScriptedServer server({Login + QByteArrayList{"C: LIST", "S: +OK", "S: 1 37", "S: 99999999 10",
                                                              "S: two words", "S: 2", "S: .", "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 1);
        QCOMPARE(NMailPop3GetMailSize(handle, 1), 37);
        QVERIFY(NMailPop3GetMailSize(handle, 99999999) < 0);
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    void apopIsNeverReplacedByAClearPassword()
    {
        const QByteArrayList noTimestamp = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: ."};
        ScriptedServer server({noTimestamp + QByteArrayList{"C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QVERIFY(handle > 0);
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret", -1) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("APOP")), qPrintable(lastMailError()));
        NMailPop3Close(handle);
        for (const QByteArray& line : server.received())
            QVERIFY2(!line.contains("secret") && !line.startsWith("USER"), line.constData());
    }

    void repliesSplitAtOddBytesAreReassembled()
    {
        ScriptedServer server({{"P: +O", "P: K ready\r", "P: \n", "C: CAPA",
                                       "P: +OK\r\nUS", "P: ER\r\n.\r\n", "C: USER", "P: +", "P: OK\r\n",
                                       "C: PASS", "S: +OK", "C: LIST", "P: +OK\r\n1 3", "P: 7\r\n.", "P: \r\n",
                                       "C: RETR 1", "P: +OK 38\r\n", "P: " + Mail.left(19), "P: " + Mail.mid(19, 9),
                                       "P: " + Mail.mid(28).chopped(1), "P: \n.", "P: \r\n", "C: QUIT", "S: +OK"}});
        const int handle = connectAndLogin(server);
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        MailBuffers b;
        QCOMPARE(NMailPop3GetMailSize(handle, 1), 37);  // the size without the stuffed dot
        b.text.assign(41, 'X');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        QCOMPARE(b.subjectText(), QStringLiteral("split"));
        QCOMPARE(b.bodyText(), QStringLiteral("line one\r\n.dotted\r\n"));
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    void brokenRetrievalsFailWithoutHanging_data()
    {
        QTest::addColumn<QByteArrayList>("retrieval");
        QTest::newRow("drop in the middle") << QByteArrayList{"C: RETR 1", "S: +OK", "P: Subject: half\r\n", "DROP"};
        QTest::newRow("answer that never ends") << QByteArrayList{"C: RETR 1", "S: +OK", "P: Subject: x\r\n\r\nbody\r\n", "STALL"};
        QTest::newRow("far more than listed") << QByteArrayList{"C: RETR 1", "S: +OK", "P: " + QByteArray(3 * 1024 * 1024, 'x'), "STALL"};
    }
    void brokenRetrievalsFailWithoutHanging()
    {
        QFETCH(QByteArrayList, retrieval);
        ShortWait wait;
        ScriptedServer server({Login + QByteArrayList{"C: LIST", "S: +OK", "S: 1 40", "S: ."} + retrieval});
        const int handle = connectAndLogin(server);
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        MailBuffers b;
        b.text.assign(41, 'X');
        QVERIFY(NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0) < 0);
        QVERIFY(!lastMailError().isEmpty());
        QCOMPARE(b.bodyText(), QString());
        NMailPop3Close(handle);
    }

    void smtpDropAfterDataIsAFailure()
    {
        ScriptedServer server({{"S: 220 fake", "C: EHLO", "S: 250 fake", "C: MAIL FROM:<tessa@example.jp>",
                                "S: 250 ok", "C: RCPT TO:<to@example.jp>", "S: 250 ok", "C: DATA",
                                "S: 354 go", "DATA", "DROP"}});
        QVERIFY(NMailSmtpSendMail(sjis(server.address()), "to@example.jp", {}, {}, "tessa@example.jp",
                                  "subject", "body", {}, {}, 0) < 0);
        QVERIFY(!lastMailError().isEmpty());
        QCOMPARE(server.mismatch(), QString());
    }

    void smtpBatchSendsOverOneSession()
    {
        // One connection only: a second connect would find no script and fail the send.
        const QByteArrayList mail = {"C: MAIL FROM:<tessa@example.jp>", "S: 250 ok", "C: RCPT TO:", "S: 250 ok",
                                     "C: DATA", "S: 354 go", "DATA", "S: 250 queued"};
        ScriptedServer server({QByteArrayList{"S: 220 fake", "C: EHLO", "S: 250 fake"} + mail + mail + mail
                               + QByteArrayList{"C: QUIT", "S: 221 bye"}});
        {
            NMailSmtpBatch batch;
            for (const char* to : {"a@example.jp", "b@example.jp", "c@example.jp"})
                QCOMPARE(NMailSmtpSendMail(sjis(server.address()), to, {}, {}, "tessa@example.jp", "subject",
                                           "body", {}, {}, 0), 0);
        }
        QCOMPARE(server.mismatch(), QString());
        const QByteArrayList lines = server.received();
        QCOMPARE(lines.count("QUIT"), 1);
        QVERIFY(lines.contains("RCPT TO:<c@example.jp>"));
    }
};

QTEST_GUILESS_MAIN(MailFaultsTest)
#include "tst_MailFaults.moc"
