// The SMTP conversation itself, played against a scripted server that checks every client line:
// no password before TLS or the user's consent, no way back to clear text once STARTTLS was
// offered, pipelining, SIZE, refusals named in Japanese, dot-stuffing, and the EHLO name.

#include "MailBuffers.h"
#include "ScriptedServer.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"
#include "mail/smtp/HeloName.h"

#include <QTest>

using namespace nmail;

namespace {
const QByteArrayList Greeting = {"S: 220 fake ESMTP", "C: EHLO "};
const QByteArrayList Quit = {"C: QUIT", "S: 221 bye"};
const QByteArrayList OneMail = {"C: MAIL FROM:<tessa@example.jp>", "S: 250 2.1.0 ok", "C: RCPT TO:<to@example.jp>",
                                "S: 250 2.1.5 ok", "C: DATA", "S: 354 go", "DATA", "S: 250 2.0.0 queued"};

int send(const ScriptedServer& server, const char* to = "to@example.jp", const char* body = "body")
{
    return NMailSmtpSendMail(sjis(server.address()), to, {}, {}, "tessa@example.jp", "subject", body, {}, {}, 0);
}
}  // namespace

class SmtpProtocolTest : public QObject {
    Q_OBJECT

    UnencryptedLogins logins;

private slots:
    void initTestCase()
    {
        NMailInitializeWinSock();
        options().timeout = std::chrono::seconds(5);
        options().smtpUserId = QStringLiteral("tessa");
        options().smtpPassword = QStringLiteral("secret");
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // A server without STARTTLS that offers AUTH gets neither the password nor the mail until
    // the user agreed for it; then AUTH PLAIN goes first and the mail after it.
    void passwordInClearOnlyAfterConsent()
    {
        const QByteArrayList offer = Greeting + QByteArrayList{"S: 250-fake", "S: 250 AUTH PLAIN LOGIN"};
        ScriptedServer server({offer + Quit, offer + QByteArrayList{"C: AUTH PLAIN AHRlc3NhAHNlY3JldA==", "S: 235 2.7.0 ok"}
                                                 + OneMail + Quit});
        QVERIFY(send(server) < 0);
        QCOMPARE(NMailUnencryptedLoginServer(), std::optional<QString>(server.address()));
        QVERIFY2(lastMailError().contains(QStringLiteral("同意")), qPrintable(lastMailError()));
        QCOMPARE(NMailAllowUnencryptedLogin(server.address()), 0);
        QCOMPARE(send(server), 0);
        QVERIFY(!NMailUnencryptedLoginServer());
        QCOMPARE(server.mismatch(), QString());
        QCOMPARE(server.received().count("QUIT"), 2);
    }

    // 530 for the sender from a server that offers no AUTH: said plainly, on the one connection,
    // and no password anywhere (the attack that answered MAIL FROM with 530 got it).
    void authenticationRequiredIsNoReasonToSendThePassword()
    {
        ScriptedServer server({Greeting + QByteArrayList{"S: 250 fake", "C: MAIL FROM:", "S: 530 5.7.0 Authentication required",
                                                         "C: RSET", "S: 250 ok"} + Quit});
        QVERIFY(send(server) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("530")) && lastMailError().contains(QStringLiteral("ID/PASS")),
                 qPrintable(lastMailError()));
        QCOMPARE(server.mismatch(), QString());
        QVERIFY(!server.sentLineStartingWith({"AUTH"}));
    }

    // STARTTLS offered and then refused, or no STARTTLS from a server that spoke TLS before: the
    // session ends after EHLO, before any login or envelope.
    void noWayBackToClearText_data()
    {
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<bool>("spokeTlsBefore");
        QTest::addColumn<QString>("reason");
        QTest::newRow("454 to STARTTLS")
            << (Greeting + QByteArrayList{"S: 250-fake", "S: 250-STARTTLS", "S: 250 AUTH PLAIN", "C: STARTTLS",
                                          "S: 454 4.7.0 TLS not available"})
            << false << QStringLiteral("改ざん");
        QTest::newRow("STARTTLS stripped") << (Greeting + QByteArrayList{"S: 250-fake", "S: 250 AUTH PLAIN"}) << true
                                           << QStringLiteral("server-security.txt");
    }
    void noWayBackToClearText()
    {
        QFETCH(QByteArrayList, script);
        QFETCH(bool, spokeTlsBefore);
        QFETCH(QString, reason);
        ScriptedServer server({script});
        QVERIFY(logins.remember(server.address(), spokeTlsBefore));  // the consent changes nothing
        QVERIFY(send(server) < 0);
        QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
        QCOMPARE(server.mismatch(), QString());
        QVERIFY(!server.sentLineStartingWith({"AUTH", "MAIL"}));
    }

    // Offered PIPELINING, the whole envelope goes before the first reply is read: the script
    // takes all four lines before it answers any.
    void envelopeIsPipelined()
    {
        ScriptedServer server({Greeting + QByteArrayList{"S: 250-fake", "S: 250 PIPELINING", "C: MAIL FROM:", "C: RCPT TO:<a@",
                                                         "C: RCPT TO:<b@", "C: DATA", "S: 250 ok", "S: 250 ok", "S: 250 ok",
                                                         "S: 354 go", "DATA", "S: 250 queued"} + Quit});
        QCOMPARE(send(server, "a@example.jp, b@example.jp"), 0);
        QCOMPARE(server.mismatch(), QString());
    }

    // A mail larger than the announced SIZE is refused before MAIL FROM, with both sizes; below
    // it the size goes with MAIL FROM.
    void sizeIsCheckedBeforeSending()
    {
        ScriptedServer server({Greeting + QByteArrayList{"S: 250-fake", "S: 250 SIZE 2048"} + Quit,
                               Greeting + QByteArrayList{"S: 250-fake", "S: 250 SIZE 2048", "C: MAIL FROM:<tessa@example.jp> SIZE=",
                                                         "S: 250 ok", "C: RCPT TO:", "S: 250 ok", "C: DATA", "S: 354 go",
                                                         "DATA", "S: 250 queued"} + Quit});
        QVERIFY(send(server, "to@example.jp", std::string(5000, 'x').c_str()) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("上限 2 KB")), qPrintable(lastMailError()));
        QCOMPARE(send(server), 0);
        QCOMPARE(server.mismatch(), QString());
    }

    // Refusals name what they are about and whether anyone got the mail.
    void refusalsSayWhatHappened_data()
    {
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("reasons");
        const QByteArrayList ehlo = Greeting + QByteArrayList{"S: 250 fake"};
        QTest::newRow("one of two recipients")
            << (ehlo + QByteArrayList{"C: MAIL FROM:", "S: 250 ok", "C: RCPT TO:<a@", "S: 250 ok", "C: RCPT TO:<b@",
                                      "S: 550 5.1.1 <b@example.jp>: Recipient address rejected", "C: DATA", "S: 354 go",
                                      "DATA", "S: 250 queued"} + Quit)
            << QStringLiteral("a@example.jp, b@example.jp")
            << QStringList{QStringLiteral("b@example.jp (550 5.1.1"), QStringLiteral("ほかの宛先 (a@example.jp) には送信しました")};
        QTest::newRow("every recipient")
            << (ehlo + QByteArrayList{"C: MAIL FROM:", "S: 250 ok", "C: RCPT TO:<a@", "S: 553 5.7.1 relay denied", "C: RSET",
                                      "S: 250 ok"} + Quit)
            << QStringLiteral("a@example.jp") << QStringList{QStringLiteral("a@example.jp (553"), QStringLiteral("どの宛先にも送信していません")};
        QTest::newRow("too large after the data")
            << (ehlo + QByteArrayList{"C: MAIL FROM:", "S: 250 ok", "C: RCPT TO:", "S: 250 ok", "C: DATA", "S: 354 go", "DATA",
                                      "S: 552 5.3.4 Message size exceeds fixed limit"} + Quit)
            << QStringLiteral("to@example.jp") << QStringList{QStringLiteral("大きすぎる"), QStringLiteral("552 5.3.4")};
        QTest::newRow("wrong password")
            << (Greeting + QByteArrayList{"S: 250-fake", "S: 250 AUTH LOGIN", "C: AUTH LOGIN", "S: 334 VXNlcm5hbWU6", "C: dGVzc2E=",
                                          "S: 334 UGFzc3dvcmQ6", "C: c2VjcmV0", "S: 535 5.7.8 Authentication credentials invalid"}
                + Quit)
            << QStringLiteral("to@example.jp") << QStringList{QStringLiteral("設定 → ID/PASS"), QStringLiteral("535 5.7.8")};
        QTest::newRow("app password required")
            << (Greeting + QByteArrayList{"S: 250-fake", "S: 250 AUTH PLAIN", "C: AUTH PLAIN",
                                          "S: 534 5.7.9 Application-specific password required"} + Quit)
            << QStringLiteral("to@example.jp") << QStringList{QStringLiteral("アプリ パスワード")};
        QTest::newRow("OAuth only") << (Greeting + QByteArrayList{"S: 250-fake", "S: 250 AUTH XOAUTH2 OAUTHBEARER"} + Quit)
                                    << QStringLiteral("to@example.jp") << QStringList{QStringLiteral("OAuth 2.0")};
        QTest::newRow("busy greeting") << QByteArrayList{"S: 421 4.3.2 try later"} << QStringLiteral("to@example.jp")
                                       << QStringList{QStringLiteral("しばらくしてから")};
        QTest::newRow("hangs up") << (Greeting + QByteArrayList{"S: 250 fake", "C: MAIL FROM:", "DROP"})
                                  << QStringLiteral("to@example.jp") << QStringList{QStringLiteral("サーバーが接続を切りました")};
    }
    void refusalsSayWhatHappened()
    {
        QFETCH(QByteArrayList, script);
        QFETCH(QString, to);
        QFETCH(QStringList, reasons);
        ScriptedServer server({script});
        NMailAllowUnencryptedLogin(server.address());
        QVERIFY(send(server, sjis(to).c_str()) < 0);
        for (const QString& reason : reasons)
            QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
        QCOMPARE(server.mismatch(), QString());
    }

    // A line that begins with "." gets a second one on the wire, also at the start of the body.
    void linesStartingWithADotAreStuffed()
    {
        ScriptedServer server({Greeting + QByteArrayList{"S: 250 fake"} + OneMail + Quit});
        QCOMPARE(send(server, "to@example.jp", ".first\r\n.\r\nlast"), 0);
        const QByteArrayList lines = server.received();
        QVERIFY(lines.contains("..first"));
        QVERIFY(lines.contains(".."));
        QVERIFY(!lines.contains(".first"));
    }

    // What an earlier failure said is gone once a later call succeeds.
    void lastErrorBelongsToTheLastCall()
    {
        ScriptedServer server({QByteArrayList{"S: 554 5.3.2 not now"}, Greeting + QByteArrayList{"S: 250 fake"} + OneMail + Quit});
        QVERIFY(send(server) < 0);
        QVERIFY(!lastMailError().isEmpty());
        QCOMPARE(send(server), 0);
        QCOMPARE(lastMailError(), QString());
    }

    void heloNameIsOneStrictServersTake_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("fully qualified") << "mail.example.jp" << "" << "127.0.0.1" << QByteArray("mail.example.jp");
        QTest::newRow("host and domain") << "vm" << "example.jp" << "127.0.0.1" << QByteArray("vm.example.jp");
        QTest::newRow("bare host name") << "vm" << "" << "127.0.0.1" << QByteArray("[127.0.0.1]");
        QTest::newRow("invalid name") << "my_pc" << "home" << "192.0.2.7" << QByteArray("[192.0.2.7]");
        QTest::newRow("IPv6") << "vm" << "" << "::1" << QByteArray("[IPv6:::1]");
        QTest::newRow("v4 mapped") << "localhost" << "" << "::ffff:127.0.0.1" << QByteArray("[127.0.0.1]");
    }
    void heloNameIsOneStrictServersTake()
    {
        QFETCH(QString, host);
        QFETCH(QString, domain);
        QFETCH(QString, local);
        QFETCH(QByteArray, name);
        QCOMPARE(heloName(host, domain, QHostAddress(local)), name);
    }
};

QTEST_GUILESS_MAIN(SmtpProtocolTest)
#include "tst_SmtpProtocol.moc"
