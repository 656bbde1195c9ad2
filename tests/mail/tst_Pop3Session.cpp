// POP3 reception through the mail library against the loopback Dovecot: connecting, both
// logins and their failures, status, size, text, deletion and its commit at close, in clear
// text and over TLS.

#include "MailBuffers.h"
#include "MailCorpus.h"
#include "MailServers.h"
#include "PeakMemory.h"
#include "UnencryptedLogins.h"
#include "mail/MailOptions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace nmail;

namespace {
const QString User = QStringLiteral("pop");

// The SHA-256 fingerprint of a PEM certificate as the openssl tool prints it ("AB:CD:…").
QString opensslFingerprint(const QString& pem)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                                              QStringLiteral("-sha256"), QStringLiteral("-in"), pem});
    openssl.waitForFinished();
    return QString::fromLatin1(openssl.readAllStandardOutput()).section(u'=', 1).trimmed();
}

}  // namespace

class Pop3SessionTest : public QObject {
    Q_OBJECT

    MailServers servers;
    UnencryptedLogins logins;

    int connectAndLogin(const QString& server, int apop)
    {
        const int handle = NMailPop3Connect(sjis(server));
        if (handle < 0)
            return -100;
        const int count = NMailPop3Authenticate(handle, sjis(User), sjis(MailServers::password(User)), apop);
        if (count < 0) {
            NMailPop3Close(handle);
            return -101;
        }
        return handle;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        NMailInitializeWinSock();
        NMailSetOption(1, 8192);
        options().timeout = std::chrono::seconds(5);
        options().caFile = servers.caFile();
    }
    void init() { servers.empty(User); }
    void cleanupTestCase() { NMailEndWinSock(); }

    void connectFailsWithMinusOneAndAReason_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1:1");
        QTest::newRow("unknown host") << QStringLiteral("no-such-host.invalid");
        QTest::newRow("bad port") << QStringLiteral("127.0.0.1:99999");
        QTest::newRow("empty") << QString();
    }
    void connectFailsWithMinusOneAndAReason()
    {
        QFETCH(QString, server);
        QCOMPARE(NMailPop3Connect(sjis(server)), -1);
        QVERIFY(!lastMailError().isEmpty());
    }

    void loginsCountTheMails_data()
    {
        QTest::addColumn<int>("apop");
        QTest::addColumn<bool>("implicitTls");
        QTest::newRow("USER/PASS with STLS") << 0 << false;
        QTest::newRow("APOP with STLS") << -1 << false;
        QTest::newRow("USER/PASS over POP3S") << 0 << true;
        QTest::newRow("APOP over POP3S") << -1 << true;
    }
    void loginsCountTheMails()
    {
        QFETCH(int, apop);
        QFETCH(bool, implicitTls);
        servers.deliver(User, corpus::iso2022jp());
        servers.deliver(User, corpus::utf8Base64());
        options().implicitTlsPorts = {servers.port("POP3S_PORT")};
        const int handle = NMailPop3Connect(sjis(servers.server(implicitTls ? "POP3S_PORT" : "POP3_PORT")));
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        QCOMPARE(NMailPop3Authenticate(handle, sjis(User), sjis(MailServers::password(User)), apop), 2);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(servers.mails(User).size(), 2);
    }

    void wrongPasswordGivesTheServersReason_data()
    {
        QTest::addColumn<int>("apop");
        QTest::newRow("USER/PASS") << 0;
        QTest::newRow("APOP") << -1;
    }
    void wrongPasswordGivesTheServersReason()
    {
        QFETCH(int, apop);
        const int handle = NMailPop3Connect(sjis(servers.server("POP3_PORT")));
        QVERIFY(handle > 0);
        QVERIFY(NMailPop3Authenticate(handle, sjis(User), "wrong-Pa55word", apop) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("-ERR [AUTH]")), qPrintable(lastMailError()));
        QVERIFY2(!lastMailError().contains(QStringLiteral("Pa55word")), qPrintable(lastMailError()));
        NMailPop3Close(handle);
    }

    // A certificate the system's authorities do not vouch for is refused with its facts; once
    // trusted it is accepted for that server, and any other certificate is refused again.
    void untrustedCertificateIsTrustedOnlyOnPurpose()
    {
        QTemporaryDir dir;
        options().trustFile = dir.filePath(QStringLiteral("trusted"));
        options().caFile.clear();  // the system store does not know the test CA
        const QString server = servers.server("POP3_PORT");
        QCOMPARE(NMailPop3Connect(sjis(server)), -1);
        QVERIFY2(lastMailError().contains(QStringLiteral("証明書")), qPrintable(lastMailError()));
        const std::optional<CertificateFacts> facts = NMailUntrustedCertificate();
        QVERIFY(facts.has_value());
        QCOMPARE(facts->server, server);
        QVERIFY2(facts->subject.contains(QStringLiteral("localhost")), qPrintable(facts->subject));
        QVERIFY2(facts->issuer.contains(QStringLiteral("Tessaly Test CA")), qPrintable(facts->issuer));
        QVERIFY(!facts->problems.isEmpty());
        QVERIFY(!facts->replacesPinned);
        QCOMPARE(facts->fingerprintText(), opensslFingerprint(QFileInfo(servers.caFile()).dir().filePath(QStringLiteral("server.crt"))));

        QCOMPARE(NMailTrustCertificate(*facts), 0);
        const int handle = connectAndLogin(server, 0);
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        QCOMPARE(NMailPop3Close(handle), 0);
        QVERIFY(!NMailUntrustedCertificate());

        // Another certificate for the same server, even one the authorities vouch for, is not
        // the one the user trusted.
        CertificateFacts other = *facts;
        other.sha256.fill('\x11');
        QCOMPARE(NMailTrustCertificate(other), 0);
        options().caFile = servers.caFile();
        QCOMPARE(NMailPop3Connect(sjis(server)), -1);
        QVERIFY(NMailUntrustedCertificate().has_value());
        QVERIFY(NMailUntrustedCertificate()->replacesPinned);
        options().trustFile.clear();
    }

    // The second server greets every session with an APOP timestamp although its users have no
    // APOP secret: the ordinary login is still USER/PASS there, and an APOP login fails without
    // the password going out.
    void secondServerTakesTheOrdinaryLogin()
    {
        const std::string login = sjis(User + QStringLiteral("@localhost"));
        servers.deliverToMailutils(User, corpus::iso2022jp());
        int handle = UnencryptedLogins::connect(servers.mailutilsServer());
        QVERIFY2(handle > 0, qPrintable(lastMailError()));
        QCOMPARE(NMailPop3Authenticate(handle, login, sjis(MailServers::password(User)), 0), 1);
        MailBuffers b;
        b.text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, 1)) + 1, '\0');
        QCOMPARE(NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0), 0);
        QCOMPARE(b.subjectText(), QStringLiteral("①～テスト"));
        QCOMPARE(NMailPop3DeleteMail(handle, 1), 0);
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(servers.mailsIn(servers.mailutilsMaildir(User)), QStringList());

        handle = NMailPop3Connect(sjis(servers.mailutilsServer()));
        QVERIFY(NMailPop3Authenticate(handle, login, sjis(MailServers::password(User)), -1) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("-ERR")), qPrintable(lastMailError()));
        NMailPop3Close(handle);
    }

    void fetchesStatusSizeAndText()
    {
        const QByteArray raw = corpus::iso2022jp();
        servers.deliver(User, raw);
        const int handle = connectAndLogin(servers.server("POP3_PORT"), -1);
        QVERIFY(handle > 0);
        MailBuffers b;
        NMailPop3GetMailStatus(handle, 1, b.subject, b.date, b.sender, b.header, 0);
        QCOMPARE(b.subjectText(), QStringLiteral("①～テスト"));
        QCOMPARE(b.senderText(), QStringLiteral("山田 <yamada@example.jp>"));
        QCOMPARE(b.dateText(), QStringLiteral("Tue, 08 Dec 2026 09:30:05 +0900"));
        QVERIFY(b.headerText().startsWith(QStringLiteral("From: =?ISO-2022-JP?B?")));
        // Once the mail is here its size is what its text takes, not what the server listed.
        const int size = NMailPop3GetMailSize(handle, 1);
        QCOMPARE(size, cp932::encode(QStringLiteral("丸数字①と波ダッシュ～です。\r\n二行目\r\n")).size());
        b.text.assign(static_cast<size_t>(size) + 1, 'X');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        QCOMPARE(b.bodyText(), QStringLiteral("丸数字①と波ダッシュ～です。\r\n二行目\r\n"));
        QCOMPARE(QByteArray(b.text.data()), cp932::encode(QStringLiteral("丸数字①と波ダッシュ～です。\r\n二行目\r\n")));
        NMailPop3Close(handle);
    }

    void textIsCutToTheBufferWithoutSplittingACharacter()
    {
        servers.deliver(User, corpus::iso2022jp());
        const int handle = connectAndLogin(servers.server("POP3_PORT"), 0);
        MailBuffers b;
        b.subject.assign(4, 'X');  // room for one double-byte character and the NUL, not two
        b.text.assign(4, 'X');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        QCOMPARE(QByteArray(b.subject.data()), cp932::encode(QStringLiteral("①")));
        QCOMPARE(QByteArray(b.text.data()), cp932::encode(QStringLiteral("丸")));
        NMailPop3Close(handle);
    }

    void linesStartingWithADotSurviveRetr()
    {
        servers.deliver(User, corpus::dotLines());
        const int handle = connectAndLogin(servers.server("POP3_PORT"), 0);
        MailBuffers b;
        b.text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, 1)) + 1, 'X');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        QCOMPARE(b.bodyText(), QStringLiteral(".\r\n..two dots\r\n.one dot\r\nend\r\n"));
        NMailPop3Close(handle);
    }

    void deletionsKeepNumbersUntilCloseCommits()
    {
        for (const QByteArray& mail : {corpus::iso2022jp(), corpus::utf8Base64(), corpus::eucJp()})
            servers.deliver(User, mail);
        const int handle = connectAndLogin(servers.server("POP3_PORT"), -1);
        MailBuffers b;
        QCOMPARE(NMailPop3DeleteMail(handle, 1), 0);
        NMailPop3GetMailStatus(handle, 2, b.subject, b.date, b.sender, b.header, 0);
        QCOMPARE(b.subjectText(), QStringLiteral("髙橋からのお知らせ"));
        QCOMPARE(NMailPop3DeleteMail(handle, 2), 0);
        QCOMPARE(servers.mails(User).size(), 3);  // nothing is gone before QUIT
        QCOMPARE(NMailPop3Close(handle), 0);
        QCOMPARE(servers.mails(User).size(), 1);
        const int again = connectAndLogin(servers.server("POP3_PORT"), 0);
        NMailPop3GetMailStatus(again, 1, b.subject, b.date, b.sender, b.header, 0);
        QCOMPARE(b.subjectText(), QStringLiteral("EUCの件名"));
        NMailPop3Close(again);
    }

    void attachmentsComeFromTheFetchedMail_data()
    {
        QTest::addColumn<QByteArray>("mail");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("files");
        QTest::newRow("two attachments") << corpus::nestedAttachments() << true << 1 << 2;
        QTest::newRow("folder missing") << corpus::nestedAttachments() << false << -5 << 0;
        QTest::newRow("split mail") << corpus::fragment() << true << -6 << 0;
        QTest::newRow("plain mail") << corpus::iso2022jp() << true << 0 << 0;
    }
    void attachmentsComeFromTheFetchedMail()
    {
        QFETCH(QByteArray, mail);
        QFETCH(bool, folderExists);
        QFETCH(int, result);
        QFETCH(int, files);
        servers.deliver(User, mail);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("添付フォルダ"));
        if (folderExists)
            QDir(dir.path()).mkdir(QStringLiteral("添付フォルダ"));
        const int handle = connectAndLogin(servers.server("POP3_PORT"), 0);
        MailBuffers b;
        b.text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, 1)) + 1, '\0');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        // The caller's own copy of the mail is header and decoded text: no attachment data.
        const std::string whole = std::string(b.header.data()) + "\r\n" + b.text.data() + "\r\n";
        QCOMPARE(NMailAttachmentFileFirst(0, b.subject, b.date, b.sender, b.header, b.text, sjis(folder + u'\\'),
                                          sjis(folder + QStringLiteral("\\0.txt")), whole, 0), result);
        if (result < 0)
            QVERIFY(!lastMailError().isEmpty());
        NMailAttachmentFileClose(0);
        NMailPop3Close(handle);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), files);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), folderExists ? 1 : 0);
    }

    // A 50 MB mail (one attachment of 37.5 MB in base64) fetched and expanded as the mail check
    // does it, with a text buffer of the mail's size: the peak memory of the whole process may
    // grow by a few copies of the mail, not without bound.
    void fiftyMegabyteMailInBoundedMemory()
    {
        const qsizetype dataSize = 75 * 512 * 1024;
        QByteArray digest;
        qsizetype mailSize = 0;
        {
            const QByteArray data = corpus::binaryData(dataSize);
            digest = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
            QByteArray body = "--B\r\nContent-Type: text/plain\r\n\r\nbig\r\n--B\r\n"
                              "Content-Type: application/octet-stream\r\n"
                              "Content-Disposition: attachment; filename=\"big.bin\"\r\n"
                              "Content-Transfer-Encoding: base64\r\n\r\n";
            const QByteArray b64 = data.toBase64();
            for (qsizetype i = 0; i < b64.size(); i += 76)
                body += QByteArrayView(b64).sliced(i, qMin<qsizetype>(76, b64.size() - i)).toByteArray() + "\r\n";
            const QByteArray raw = corpus::mail("Subject: big\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=B",
                                                body + "--B--\r\n");
            mailSize = raw.size();
            servers.deliver(User, raw);
        }
        QVERIFY(mailSize > 50 * 1000 * 1000);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("添付フォルダ"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("添付フォルダ")));
        const qint64 before = peakmemory::reset();

        const int handle = connectAndLogin(servers.server("POP3_PORT"), 0);
        QVERIFY(handle > 0);
        MailBuffers b;
        b.text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, 1)) + 1, '\0');
        QCOMPARE(NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0), 0);
        const std::string whole = std::string(b.header.data()) + "\r\n" + b.text.data() + "\r\n";
        QCOMPARE(NMailAttachmentFileFirst(0, b.subject, b.date, b.sender, b.header, b.text, sjis(folder + u'\\'),
                                          sjis(folder + QStringLiteral("\\0.txt")), whole, 0), 1);
        NMailAttachmentFileClose(0);
        NMailPop3Close(handle);
        const qint64 grown = peakmemory::peak() - before;

        qInfo("mail %lld bytes, peak memory grew by %lld bytes (%.1f times the mail)",
              static_cast<long long>(mailSize), static_cast<long long>(grown),
              static_cast<double>(grown) / static_cast<double>(mailSize));
        QVERIFY2(grown < 8 * mailSize, qPrintable(QString::number(grown)));
        QFile written(QDir(folder).filePath(QStringLiteral("big.bin")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.size(), dataSize);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        QVERIFY(hash.addData(&written));
        QCOMPARE(hash.result(), digest);
    }

    void unknownMailNumberFailsCleanly()
    {
        servers.deliver(User, corpus::dotLines());
        const int handle = connectAndLogin(servers.server("POP3_PORT"), 0);
        MailBuffers b;
        QVERIFY(NMailPop3GetMailStatus(handle, 2, b.subject, b.date, b.sender, b.header, 0) < 0);
        QCOMPARE(b.subjectText(), QString());
        QVERIFY(NMailPop3GetMailSize(handle, 0) < 0);
        QVERIFY(NMailPop3DeleteMail(handle, 7) < 0);
        NMailPop3Close(handle);
        QVERIFY(NMailPop3Close(handle) < 0);
        QVERIFY(NMailPop3GetMailSize(handle, 1) < 0);
    }
};

QTEST_GUILESS_MAIN(Pop3SessionTest)
#include "tst_Pop3Session.moc"
