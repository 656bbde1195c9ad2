// The TLS floor of mail connections is the program's own: under an OpenSSL that would allow TLS
// 1.0 and 1.1 (OPENSSL_CONF, set for this suite), a server that offers nothing newer gets
// neither a login nor a mail, over POP3 or SMTP.

#include "MailBuffers.h"
#include "MailServers.h"
#include "mail/MailOptions.h"

#include <QFileInfo>
#include <QProcess>
#include <QSslSocket>
#include <QTest>

using namespace nmail;

namespace {

// old_tls_server.py, started for one test and ended with it.
class OldTlsServer {
public:
    OldTlsServer(const MailServers& servers, const QByteArray& greeting)
    {
        const QString tls = QFileInfo(servers.caFile()).path();
        process_.start(QStringLiteral("python3"), {QStringLiteral(TESSALY_OLD_TLS_SERVER), tls + QStringLiteral("/server.crt"),
                                                   tls + QStringLiteral("/server.key"), QString::fromLatin1(greeting)});
        if (process_.waitForReadyRead(10000))
            port_ = process_.readLine().trimmed().toInt();
    }
    ~OldTlsServer()
    {
        process_.kill();
        process_.waitForFinished();
    }
    int port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    // What the server printed (its handshakes and every line a client sent), once it printed
    // `until` or five seconds passed.
    QByteArray log(const QByteArray& until)
    {
        for (int waits = 0; waits < 50 && !log_.contains(until); ++waits) {
            process_.waitForReadyRead(100);
            log_ += process_.readAll();
        }
        return log_;
    }

private:
    QProcess process_;
    int port_ = 0;
    QByteArray log_;
};

}  // namespace

class TlsFloorTest : public QObject {
    Q_OBJECT

    MailServers servers;

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        NMailInitializeWinSock();
        options().timeout = std::chrono::seconds(5);
        options().caFile = servers.caFile();
        options().smtpUserId = QStringLiteral("tessa");
        options().smtpPassword = MailServers::password(QStringLiteral("tessa"));
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // Without this, a refusal below would prove nothing: the same process, asking for no floor,
    // does get TLS 1.1 from the server.
    void theSystemWouldAllowTls11()
    {
        OldTlsServer server(servers, "+OK ready");
        QVERIFY(server.port() > 0);
        QSslSocket socket;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setCaCertificates(QSslCertificate::fromPath(servers.caFile()));
        config.setProtocol(QSsl::AnyProtocol);
        socket.setSslConfiguration(config);
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), quint16(server.port()));
        QVERIFY2(socket.waitForEncrypted(5000), qPrintable(socket.errorString()));
        const QByteArray log = server.log("handshake");
        QVERIFY2(log.contains("handshake TLSv1.1"), log.constData());
    }

    void noSessionBelowTls12_data()
    {
        QTest::addColumn<bool>("pop3");
        QTest::newRow("POP3, TLS from the first byte") << true;
        QTest::newRow("SMTP, TLS from the first byte") << false;
    }
    void noSessionBelowTls12()
    {
        QFETCH(bool, pop3);
        OldTlsServer server(servers, pop3 ? "+OK ready" : "220 mail.example.jp ESMTP");
        QVERIFY(server.port() > 0);
        options().implicitTlsPorts = {server.port()};
        if (pop3) {
            const int handle = NMailPop3Connect(sjis(server.address()));
            if (handle > 0)
                NMailPop3Authenticate(handle, "tessa", "secret-tessa", 0);
            QCOMPARE(handle, -1);
        } else {
            QVERIFY(NMailSmtpSendMail(sjis(server.address()), "tessa@example.jp", {}, {}, "tessa@example.jp", "floor",
                                      "body", {}, {}, 0) < 0);
        }
        QVERIFY2(lastMailError().contains(QStringLiteral("TLSで接続できません")), qPrintable(lastMailError()));
        const QByteArray log = server.log("handshake");
        QVERIFY2(log.contains("no handshake"), log.constData());
        QVERIFY2(!log.contains("C:"), log.constData());
    }
};

QTEST_MAIN(TlsFloorTest)
#include "tst_TlsFloor.moc"
