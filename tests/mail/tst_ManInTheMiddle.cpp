// An attacker between the program and real servers (Dovecot with STLS; aiosmtpd and Postfix with
// STARTTLS, taking AUTH as on 587 and taking mail without it as on 25) strips or
// refuses TLS, forges AUTH into the EHLO answer or demands a login with 530. From the bytes the
// proxy saw, no credential ever crosses in clear, and no mail is taken or sent that way.

#include "MailBuffers.h"
#include "MailServers.h"
#include "TamperingProxy.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {
const QString User = QStringLiteral("mitm");
using Mode = TamperingProxy::Mode;

// Every form the password could take on the wire in clear: as it is, in SASL PLAIN, in LOGIN.
bool credentialCrossed(const QByteArray& wire)
{
    const QByteArray password = MailServers::password(User).toUtf8();
    const QByteArray user = User.toUtf8();
    for (const QByteArray& form : {password, ('\0' + user + '\0' + password).toBase64(), password.toBase64(),
                                   QByteArray("PASS "), QByteArray("AUTH ")}) {
        if (wire.contains(form))
            return true;
    }
    return false;
}
}  // namespace

class ManInTheMiddleTest : public QObject {
    Q_OBJECT

    MailServers servers;
    UnencryptedLogins logins;

    // The count NMailPop3Authenticate gave; the server it asked consent for stays in askedFor.
    int checkThrough(const TamperingProxy& proxy)
    {
        const int handle = NMailPop3Connect(sjis(proxy.address()));
        const int count = handle < 0 ? -1 : NMailPop3Authenticate(handle, sjis(User), sjis(MailServers::password(User)), 0);
        askedFor = NMailUnencryptedLoginServer();
        if (handle >= 0)
            NMailPop3Close(handle);
        return count;
    }
    std::optional<QString> askedFor;
    int sendThrough(const TamperingProxy& proxy)
    {
        return NMailSmtpSendMail(sjis(proxy.address()), sjis(User + QStringLiteral("@example.jp")), {}, {},
                                 "tessa@example.jp", "subject", "body", {}, {}, 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        NMailInitializeWinSock();
        options().timeout = std::chrono::seconds(10);
        options().caFile = servers.caFile();
        options().smtpUserId = User;
        options().smtpPassword = MailServers::password(User);
    }
    void init()
    {
        servers.empty(User);
        servers.deliver(User, "Subject: waiting\r\n\r\nstays on the server\r\n");
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // Stripped: the server looks like one without TLS, so the password waits for the user's
    // consent (and its question names the proxy). Refused: the session ends at once.
    void pop3StrippedOrRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("STLS stripped") << int(Mode::StripTls);
        QTest::newRow("STLS refused") << int(Mode::RefuseTls);
    }
    void pop3StrippedOrRefused()
    {
        QFETCH(int, mode);
        TamperingProxy proxy(servers.port("POP3_PORT"));
        proxy.setMode(Mode(mode));
        QVERIFY(checkThrough(proxy) < 0);
        QVERIFY2(!credentialCrossed(proxy.fromClient()), proxy.fromClient().constData());
        QCOMPARE(servers.mails(User).size(), 1);
        if (Mode(mode) == Mode::StripTls)
            QCOMPARE(askedFor, std::optional<QString>(proxy.address()));
    }

    void smtpStrippedRefusedOrDemanding_data()
    {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<int>("mode");
        QTest::newRow("587: STARTTLS stripped, AUTH forged") << QByteArray("SMTP_AUTH_PORT") << int(Mode::StripTls);
        QTest::newRow("587: STARTTLS refused") << QByteArray("SMTP_AUTH_PORT") << int(Mode::RefuseTls);
        QTest::newRow("25: STARTTLS stripped, AUTH forged") << QByteArray("SMTP_PORT") << int(Mode::StripTls);
        QTest::newRow("25: STARTTLS refused") << QByteArray("SMTP_PORT") << int(Mode::RefuseTls);
        QTest::newRow("25: stripped and 530 for the sender") << QByteArray("SMTP_PORT") << int(Mode::Demand530);
        QTest::newRow("Postfix 587: STARTTLS stripped, AUTH forged") << QByteArray("POSTFIX_SUBMISSION_PORT") << int(Mode::StripTls);
        QTest::newRow("Postfix 587: STARTTLS refused") << QByteArray("POSTFIX_SUBMISSION_PORT") << int(Mode::RefuseTls);
        QTest::newRow("Postfix 25: stripped and 530 for the sender") << QByteArray("POSTFIX_PORT") << int(Mode::Demand530);
        QTest::newRow("exim 587: STARTTLS stripped, AUTH forged") << QByteArray("EXIM_SUBMISSION_PORT") << int(Mode::StripTls);
        QTest::newRow("exim 587: STARTTLS refused") << QByteArray("EXIM_SUBMISSION_PORT") << int(Mode::RefuseTls);
        QTest::newRow("exim 25: stripped and 530 for the sender") << QByteArray("EXIM_PORT") << int(Mode::Demand530);
    }
    void smtpStrippedRefusedOrDemanding()
    {
        QFETCH(QByteArray, port);
        QFETCH(int, mode);
        TamperingProxy proxy(servers.port(port.constData()));
        proxy.setMode(Mode(mode));
        const qsizetype before = servers.mails(User).size();
        QVERIFY(sendThrough(proxy) < 0);
        QVERIFY2(!credentialCrossed(proxy.fromClient()), proxy.fromClient().constData());
        QCOMPARE(servers.mails(User).size(), before);
    }

    // After one session that spoke TLS through the proxy, a stripped one is a downgrade: refused
    // even where the user had allowed a password in clear.
    void downgradeAfterTlsIsRefused_data()
    {
        QTest::addColumn<bool>("pop3");
        QTest::newRow("POP3") << true;
        QTest::newRow("SMTP") << false;
    }
    void downgradeAfterTlsIsRefused()
    {
        QFETCH(bool, pop3);
        TamperingProxy proxy(servers.port(pop3 ? "POP3_PORT" : "SMTP_AUTH_PORT"));
        QVERIFY2((pop3 ? checkThrough(proxy) : sendThrough(proxy)) >= 0, qPrintable(lastMailError()));
        QVERIFY2(!credentialCrossed(proxy.fromClient()), "the credential went in clear through TLS?");
        QCOMPARE(NMailAllowUnencryptedLogin(proxy.address()), 0);
        servers.empty(User);
        proxy.setMode(Mode::StripTls);
        const qsizetype seen = proxy.fromClient().size();
        QVERIFY((pop3 ? checkThrough(proxy) : sendThrough(proxy)) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("以前は暗号化")), qPrintable(lastMailError()));
        QVERIFY(!credentialCrossed(proxy.fromClient().mid(seen)));
        QCOMPARE(servers.mails(User).size(), 0);
    }
};

QTEST_GUILESS_MAIN(ManInTheMiddleTest)
#include "tst_ManInTheMiddle.moc"
