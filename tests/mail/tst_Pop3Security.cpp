// What a POP3 login sends and when, against a scripted server that checks every client line: no
// password before TLS or the user's consent, a refused or vanished STLS ends the session before
// any credential, and the server's response codes (RFC 2449, RFC 3206) reach the user as what
// they mean.

#include "MailBuffers.h"
#include "ScriptedServer.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {
const QByteArrayList Capabilities = {"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: UIDL", "S: ."};
}  // namespace

class Pop3SecurityTest : public QObject {
    Q_OBJECT

    UnencryptedLogins logins;

private slots:
    void initTestCase()
    {
        NMailInitializeWinSock();
        options().timeout = std::chrono::seconds(5);
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // Without consent the login stops before USER and names the server; the same session logs
    // in once the user agreed. APOP's digest needs no consent.
    void passwordInClearOnlyAfterConsent()
    {
        ScriptedServer server({Capabilities + QByteArrayList{"C: USER tessa", "S: +OK", "C: PASS secret", "S: +OK",
                                                             "C: LIST", "S: +OK", "S: .", "C: UIDL", "S: +OK", "S: .",
                                                             "C: QUIT", "S: +OK"}});
        const int handle = NMailPop3Connect(sjis(server.address()));
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret", 0) < 0);
        QCOMPARE(NMailUnencryptedLoginServer(), std::optional<QString>(server.address()));
        QVERIFY2(lastMailError().contains(QStringLiteral("暗号化")), qPrintable(lastMailError()));
        QCOMPARE(NMailAllowUnencryptedLogin(server.address()), 0);
        QCOMPARE(NMailPop3Authenticate(handle, "tessa", "secret", 0), 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(server.mismatch(), QString());
    }

    // Whatever the consent says: STLS answered "-ERR", or no STLS from a server that spoke TLS
    // before, ends the session with nothing but CAPA (and STLS) sent.
    void noWayBackToClearText_data()
    {
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<bool>("spokeTlsBefore");
        QTest::addColumn<QString>("reason");
        QTest::newRow("STLS refused") << QByteArrayList{"S: +OK ready", "C: CAPA", "S: +OK", "S: USER", "S: STLS", "S: .",
                                                        "C: STLS", "S: -ERR not now"}
                                      << false << QStringLiteral("改ざん");
        QTest::newRow("STLS stripped") << Capabilities << true << QStringLiteral("server-security.txt");
    }
    void noWayBackToClearText()
    {
        QFETCH(QByteArrayList, script);
        QFETCH(bool, spokeTlsBefore);
        QFETCH(QString, reason);
        ScriptedServer server({script});
        QVERIFY(logins.remember(server.address(), spokeTlsBefore));  // the consent changes nothing
        QCOMPARE(NMailPop3Connect(sjis(server.address())), -1);
        QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
        QCOMPARE(server.mismatch(), QString());
        QVERIFY(!server.sentLineStartingWith({"USER", "PASS", "AUTH", "APOP"}));
    }

    // Refusals of the login say what they mean, not only that it failed.
    void refusedLoginSaysWhy_data()
    {
        QTest::addColumn<QByteArray>("refusal");
        QTest::addColumn<QString>("reason");
        QTest::newRow("IN-USE") << QByteArray("-ERR [IN-USE] locked") << QStringLiteral("別の接続が使用中");
        QTest::newRow("LOGIN-DELAY") << QByteArray("-ERR [LOGIN-DELAY] wait") << QStringLiteral("前回の受信から間もない");
        QTest::newRow("SYS/TEMP") << QByteArray("-ERR [SYS/TEMP] disk") << QStringLiteral("一時的");
        QTest::newRow("SYS/PERM") << QByteArray("-ERR [SYS/PERM] broken") << QStringLiteral("プロバイダーにお問い合わせ");
        QTest::newRow("AUTH") << QByteArray("-ERR [AUTH] invalid") << QStringLiteral("設定 → ID/PASS");
        QTest::newRow("no code") << QByteArray("-ERR no") << QStringLiteral("設定 → ID/PASS");
        QTest::newRow("app password") << QByteArray("-ERR [AUTH] Application-specific password required")
                                      << QStringLiteral("アプリ パスワード");
    }
    void refusedLoginSaysWhy()
    {
        QFETCH(QByteArray, refusal);
        QFETCH(QString, reason);
        ScriptedServer server({Capabilities + QByteArrayList{"C: USER tessa", "S: +OK", "C: PASS secret", "S: " + refusal,
                                                             "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret", 0) < 0);
        QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
        QVERIFY2(lastMailError().contains(QString::fromLatin1(refusal)), qPrintable(lastMailError()));
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }

    // A server that lists only OAuth mechanisms and no USER gets no password at all.
    void oauthOnlyServerGetsNoPassword()
    {
        ScriptedServer server({{"S: +OK ready", "C: CAPA", "S: +OK", "S: SASL XOAUTH2 OAUTHBEARER", "S: .", "C: QUIT", "S: +OK"}});
        const int handle = UnencryptedLogins::connect(server.address());
        QVERIFY(NMailPop3Authenticate(handle, "tessa", "secret", 0) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("OAuth 2.0")), qPrintable(lastMailError()));
        NMailPop3Close(handle);
        QCOMPARE(server.mismatch(), QString());
    }
};

QTEST_GUILESS_MAIN(Pop3SecurityTest)
#include "tst_Pop3Security.moc"
