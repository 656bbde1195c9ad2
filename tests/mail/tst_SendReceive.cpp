// A Japanese mail with attachments sent through the SMTP server into Dovecot and fetched back
// through the mail library, in clear text, with STARTTLS and AUTH, and with implicit TLS; and
// the ways a send fails.

#include "MailBuffers.h"
#include "MailOracle.h"
#include "MailServers.h"
#include "PeakMemory.h"
#include "TempProgramFolder.h"
#include "mail/MailOptions.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace nmail;

namespace {
const QString User = QStringLiteral("send");
const QString Subject = QStringLiteral("日本語の件名①～と、とても長い件名が複数の符号化語に折り返されることの確認です");
const QString Body = QStringLiteral("本文です。\r\n丸数字①と波ダッシュ～\r\n.先頭の点\r\n");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

class SendReceiveTest : public QObject {
    Q_OBJECT

    MailServers servers;
    TempProgramFolder program;
    QString firstFile, secondFile;
    QByteArray firstData, secondData;

    QString attachmentFolder() const { return program.file(QStringLiteral("添付フォルダ")); }

    int send(const QString& server, const QString& to, const QString& body, const QString& attachments)
    {
        return NMailSmtpSendMail(sjis(server), sjis(to), {}, {}, sjis(QStringLiteral("tessa@example.jp")),
                                 sjis(Subject), sjis(body), {}, sjis(attachments), 0);
    }

    // Fetches mail 1 the way the mail check does and expands its attachments.
    struct Fetched {
        MailBuffers buffers;
        int attachmentResult = 0;
    };
    Fetched fetchFirst(const QString& pop3Server)
    {
        Fetched f;
        MailBuffers& b = f.buffers;
        const int handle = NMailPop3Connect(sjis(pop3Server));
        if (handle < 0 || NMailPop3Authenticate(handle, sjis(User), sjis(MailServers::password(User)), -1) != 1)
            return f;
        NMailPop3GetMailStatus(handle, 1, b.subject, b.date, b.sender, b.header, 0);
        b.text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, 1)) + 1, '\0');
        NMailPop3GetMail(handle, 1, b.subject, b.date, b.sender, b.header, b.text, 0, 0);
        const std::string whole = std::string(b.header.data()) + "\r\n" + b.text.data() + "\r\n";
        f.attachmentResult = NMailAttachmentFileFirst(0, b.subject, b.date, b.sender, b.header, b.text,
                                                      sjis(attachmentFolder() + u'\\'),
                                                      sjis(attachmentFolder() + QStringLiteral("\\0.txt")), whole, 0);
        NMailAttachmentFileClose(0);
        NMailPop3DeleteMail(handle, 1);
        NMailPop3Close(handle);
        return f;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        NMailInitializeWinSock();
        NMailSetOption(1, 8192);
        options().timeout = std::chrono::seconds(5);
        options().caFile = servers.caFile();
        options().implicitTlsPorts = {servers.port("POP3S_PORT"), servers.port("SMTPS_PORT")};
        options().smtpUserId = User;
        options().smtpPassword = MailServers::password(User);
        firstFile = program.file(QStringLiteral("請求書①.pdf"));
        secondFile = program.file(QStringLiteral("メモ～.txt"));
        firstData = QByteArray(70000, '\0');
        for (qsizetype i = 0; i < firstData.size(); ++i)
            firstData[i] = static_cast<char>((i * 7) % 256);
        secondData = ".dot line\r\n" + cp932::encode(QStringLiteral("メモの中身\r\n"));
        program.write(QStringLiteral("請求書①.pdf"), firstData);
        program.write(QStringLiteral("メモ～.txt"), secondData);
    }
    void init()
    {
        servers.empty(User);
        QDir(attachmentFolder()).removeRecursively();
        QDir(program.path()).mkdir(QStringLiteral("添付フォルダ"));
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    void roundTripWithTwoAttachments_data()
    {
        QTest::addColumn<QByteArray>("smtpPort");
        QTest::addColumn<QByteArray>("pop3Port");
        QTest::newRow("clear text, no AUTH") << QByteArray("SMTP_PORT") << QByteArray("POP3_PORT");
        QTest::newRow("STARTTLS, AUTH required; STLS") << QByteArray("SMTP_AUTH_PORT") << QByteArray("POP3_PORT");
        QTest::newRow("implicit TLS both ways") << QByteArray("SMTPS_PORT") << QByteArray("POP3S_PORT");
        QTest::newRow("Postfix as on 25: STARTTLS, AUTH offered") << QByteArray("POSTFIX_PORT") << QByteArray("POP3_PORT");
        QTest::newRow("Postfix as on 587: AUTH required") << QByteArray("POSTFIX_SUBMISSION_PORT") << QByteArray("POP3_PORT");
        QTest::newRow("exim as on 25: STARTTLS, AUTH offered") << QByteArray("EXIM_PORT") << QByteArray("POP3_PORT");
        QTest::newRow("exim as on 587: AUTH required") << QByteArray("EXIM_SUBMISSION_PORT") << QByteArray("POP3_PORT");
    }
    void roundTripWithTwoAttachments()
    {
        QFETCH(QByteArray, smtpPort);
        QFETCH(QByteArray, pop3Port);
        const int sent = send(servers.server(smtpPort.constData()), User + QStringLiteral("@example.jp"), Body,
                              firstFile + u',' + secondFile);
        QVERIFY2(sent >= 0, qPrintable(lastMailError()));
        QCOMPARE(servers.mails(User).size(), 1);
        // What other readers see, before the program reads it back itself.
        const PythonReading read = readWithPython(servers.mails(User).first());
        QCOMPARE(read.subject, Subject);
        QCOMPARE(read.attachments.size(), 2);
        QCOMPARE(read.attachments.at(0).fileName, QStringLiteral("請求書①.pdf"));
        QCOMPARE(read.attachments.at(0).data, firstData);
        QCOMPARE(read.attachments.at(1).fileName, QStringLiteral("メモ～.txt"));
        QCOMPARE(read.attachments.at(1).data, secondData);

        const Fetched f = fetchFirst(servers.server(pop3Port.constData()));
        QCOMPARE(f.buffers.subjectText(), Subject);
        QCOMPARE(f.buffers.senderText(), QStringLiteral("tessa@example.jp"));
        QVERIFY(!f.buffers.dateText().isEmpty());
        QVERIFY2(f.buffers.bodyText().startsWith(Body), qPrintable(f.buffers.bodyText()));
        QCOMPARE(f.buffers.bodyText().count(QStringLiteral("Content-Disposition: attachment")), 2);
        QCOMPARE(f.attachmentResult, 1);
        QCOMPARE(readFile(attachmentFolder() + QStringLiteral("/請求書①.pdf")), firstData);
        QCOMPARE(readFile(attachmentFolder() + QStringLiteral("/メモ～.txt")), secondData);
        QCOMPARE(servers.mails(User).size(), 0);
    }

    void messageCarriesTheStandardHeaders()
    {
        QVERIFY(send(servers.server("SMTP_PORT"), User + QStringLiteral("@example.jp"), Body, firstFile) >= 0);
        const QString stored = servers.mails(User).value(0);
        const QByteArray raw = readFile(stored);
        const QByteArray header = raw.left(raw.indexOf("\r\n\r\n"));
        for (const char* field : {"\r\nDate: ", "\r\nMessage-ID: <", "\r\nMIME-Version: 1.0",
                                  "\r\nSubject: =?UTF-8?B?", "\r\nContent-Type: multipart/mixed;"})
            QVERIFY2(("\r\n" + header).contains(field), field);
        // The file named both ways: RFC 2231 and, for old readers, RFC 2047.
        QVERIFY(raw.contains("\r\n name=\"=?UTF-8?B?"));
        QVERIFY(raw.contains("\r\n filename*0*=UTF-8''%E8%AB%8B%E6%B1%82%E6%9B%B8"));  // 請求書
        // ① and ～ (the Windows wave dash) are outside strict ISO-2022-JP: UTF-8, read exactly.
        const PythonReading read = readWithPython(stored);
        QVERIFY2(read.defects.isEmpty(), qPrintable(read.defects.join(u'\n')));
        QCOMPARE(read.subject, Subject);
        QCOMPARE(read.textCharset, QByteArray("utf-8"));
        QCOMPARE(read.text.value_or(QString()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                 QString(Body).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(read.attachments.size(), 1);
        QCOMPARE(read.attachments.first().fileName, QStringLiteral("請求書①.pdf"));
        QCOMPARE(read.attachments.first().data, firstData);
    }

    void everyRecipientGetsTheMail()
    {
        servers.empty(QStringLiteral("tls"));
        QVERIFY(send(servers.server("SMTP_PORT"), QStringLiteral("send@example.jp, 宛先 <tls@example.jp>"), Body, {}) >= 0);
        QCOMPARE(servers.mails(User).size(), 1);
        QCOMPARE(servers.mails(QStringLiteral("tls")).size(), 1);
    }

    void failuresAreNegativeWithAReason_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("attachments");
        QTest::addColumn<QString>("reason");
        const QString to = User + QStringLiteral("@example.jp");
        const QString plain = servers.server("SMTP_PORT");
        QTest::newRow("missing attachment") << plain << to << firstFile + QStringLiteral(",/no/such/file.pdf")
                                            << QStringLiteral("/no/such/file.pdf");
        QTest::newRow("no recipient") << plain << QString() << QString() << QStringLiteral("宛先");
        QTest::newRow("refused") << QStringLiteral("127.0.0.1:1") << to << QString() << QStringLiteral("127.0.0.1:1");
        QTest::newRow("bad server") << QString() << to << QString() << QStringLiteral("SMTP");
    }
    void failuresAreNegativeWithAReason()
    {
        QFETCH(QString, server);
        QFETCH(QString, to);
        QFETCH(QString, attachments);
        QFETCH(QString, reason);
        QVERIFY(send(server, to, Body, attachments) < 0);
        QVERIFY2(lastMailError().contains(reason), qPrintable(lastMailError()));
        QCOMPARE(servers.mails(User).size(), 0);
    }

    void authFailuresAreReported()
    {
        options().smtpPassword = QStringLiteral("wrong-Pa55word");
        QVERIFY(send(servers.server("SMTP_AUTH_PORT"), User + QStringLiteral("@example.jp"), Body, {}) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("535")), qPrintable(lastMailError()));
        QVERIFY2(!lastMailError().contains(QStringLiteral("Pa55word")), qPrintable(lastMailError()));
        options().smtpUserId.clear();
        QVERIFY(send(servers.server("SMTP_AUTH_PORT"), User + QStringLiteral("@example.jp"), Body, {}) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("530")), qPrintable(lastMailError()));
        options().smtpUserId = User;
        options().smtpPassword = MailServers::password(User);
        QCOMPARE(servers.mails(User).size(), 0);
    }

    // A 20 MB attachment goes to the server a piece at a time, read and encoded as it is sent:
    // the process grows by far less than the attachment, let alone its base64 form. The type
    // comes from the file's name.
    void largeAttachmentIsStreamedWithItsType()
    {
        const QString path = program.file(QStringLiteral("報告書.pdf"));
        QByteArray data(20 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>((i * 131) >> 7);
        program.write(QStringLiteral("報告書.pdf"), data);
        const qint64 before = peakmemory::reset();
        QVERIFY2(send(servers.server("SMTP_AUTH_PORT"), User + QStringLiteral("@example.jp"), Body, path) >= 0,
                 qPrintable(lastMailError()));
        const qint64 grown = peakmemory::peak() - before;
        QVERIFY2(grown < 32 * 1024 * 1024, qPrintable(QString::number(grown)));
        data.clear();
        const PythonReading read = readWithPython(servers.mails(User).value(0));
        QCOMPARE(read.attachments.size(), 1);
        QCOMPARE(read.attachments.at(0).contentType, QStringLiteral("application/pdf"));
        QCOMPARE(read.attachments.at(0).data, readFile(path));
    }

    void untrustedCertificateIsTrustedOnlyOnPurpose_data()
    {
        QTest::addColumn<QByteArray>("port");
        QTest::newRow("STARTTLS when offered") << QByteArray("SMTP_PORT");
        QTest::newRow("implicit TLS") << QByteArray("SMTPS_PORT");
    }
    // Refused with its facts and nothing sent; once trusted, sent; another certificate pinned for
    // the server refuses even the one the authorities vouch for.
    void untrustedCertificateIsTrustedOnlyOnPurpose()
    {
        QFETCH(QByteArray, port);
        QTemporaryDir dir;
        options().trustFile = dir.filePath(QStringLiteral("trusted"));
        options().caFile.clear();  // the system store does not know the test CA
        const QString server = servers.server(port.constData());
        const QString to = User + QStringLiteral("@example.jp");
        QVERIFY(send(server, to, Body, {}) < 0);
        QVERIFY2(lastMailError().contains(QStringLiteral("証明書")), qPrintable(lastMailError()));
        QVERIFY(!lastMailError().contains(options().smtpPassword));
        QCOMPARE(servers.mails(User).size(), 0);
        std::optional<CertificateFacts> facts = NMailUntrustedCertificate();
        QVERIFY(facts.has_value());
        QCOMPARE(facts->server, server);
        QVERIFY2(facts->issuer.contains(QStringLiteral("Tessaly Test CA")), qPrintable(facts->issuer));

        QCOMPARE(NMailTrustCertificate(*facts), 0);
        QCOMPARE(send(server, to, Body, {}), 0);
        QVERIFY(!NMailUntrustedCertificate());
        QCOMPARE(servers.mails(User).size(), 1);

        facts->sha256.fill('\x22');
        QCOMPARE(NMailTrustCertificate(*facts), 0);
        options().caFile = servers.caFile();
        QVERIFY(send(server, to, Body, {}) < 0);
        QVERIFY(NMailUntrustedCertificate() && NMailUntrustedCertificate()->replacesPinned);
        QCOMPARE(servers.mails(User).size(), 1);
        options().trustFile.clear();
    }
};

QTEST_GUILESS_MAIN(SendReceiveTest)
#include "tst_SendReceive.moc"
