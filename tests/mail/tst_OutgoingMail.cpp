// Mail sent through the loopback SMTP server, read back by readers this project did not write:
// Python's email package (policy default) for every header, address, text and attachment, and
// glibc's iconv for the raw ISO-2022-JP text. Also what must never reach the server: line breaks
// in a header or an SMTP command, and a mail without a sender.

#include "MailBuffers.h"
#include "MailOracle.h"
#include "MailServers.h"
#include "TempProgramFolder.h"
#include "mail/MailOptions.h"

#include <QTest>

using namespace nmail;

namespace {

// A mailbox of our own, filled by the SMTP server only.
const QString Box = QStringLiteral("outgoing");
const QString BoxAddress = Box + QStringLiteral("@example.jp");

struct Sent {
    int result = 0;
    QString error;
    PythonReading mail;     // the mailbox's copy
    PythonReading spooled;  // the server's copy, with the envelope
};

}  // namespace

class OutgoingMailTest : public QObject {
    Q_OBJECT

    MailServers servers;
    TempProgramFolder program;

    Sent send(const QString& to, const QString& subject, const QString& body, const QString& attachments = {},
              const QString& from = QStringLiteral("tessa@example.jp"))
    {
        servers.empty(Box);
        Sent s;
        s.result = NMailSmtpSendMail(sjis(servers.smtpServer("SMTP_PORT")), sjis(to), {}, {}, sjis(from), sjis(subject),
                                     sjis(body), {}, sjis(attachments), 0);
        s.error = lastMailError();
        const QStringList mails = servers.mails(Box);
        if (mails.size() == 1) {
            s.mail = readWithPython(mails.first());
            if (servers.throughAiosmtpd())
                s.spooled = readWithPython(servers.spoolCopy(mails.first()));
        }
        return s;
    }

    // The checks every arrived mail passes: read without a defect, every header line within the
    // limits of RFC 5322, every ISO-2022-JP word standing alone.
    static void checkWellFormed(const Sent& s)
    {
        QVERIFY2(s.result >= 0, qPrintable(s.error));
        QVERIFY2(s.mail.failure.isEmpty(), qPrintable(s.mail.failure));
        QVERIFY2(s.mail.defects.isEmpty(), qPrintable(s.mail.defects.join(u'\n')));
        for (const QString& line : clientHeaderLines(s.mail.headerLines))
            QVERIFY2(line.size() <= 78, qPrintable(line));
        QVERIFY2(jisWordsNotBackInAscii(s.mail.headerLines).isEmpty(),
                 qPrintable(jisWordsNotBackInAscii(s.mail.headerLines).join(u'\n')));
    }

    // The text as both readers see it: Python by its declared charset, and for ISO-2022-JP text
    // also iconv on the raw bytes.
    static void checkText(const Sent& s, const QString& expected, const QByteArray& charset)
    {
        QCOMPARE(s.mail.textCharset, charset);
        QVERIFY(s.mail.text.has_value());
        QCOMPARE(withLf(*s.mail.text), withLf(expected));
        if (charset == "iso-2022-jp") {
            const std::optional<QString> read = iconvFromIso2022Jp(s.mail.textBytes);
            QVERIFY2(read.has_value(), s.mail.textBytes.constData());
            QCOMPARE(withLf(*read), withLf(expected));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        QVERIFY(servers.makeMaildir(Box));
        NMailInitializeWinSock();
        NMailSetOption(1, 8192);
        options().timeout = std::chrono::seconds(10);
        options().caFile = servers.caFile();
    }
    void cleanupTestCase() { NMailEndWinSock(); }

    // A line that ends in Japanese returns to ASCII before its line break, so the next line is
    // read as ASCII and not as JIS pairs.
    void kanjiAtLineEndsBeforeAsciiLines()
    {
        const QString body = QStringLiteral("よろしくお願いします。\r\nTaro Yamada\r\n漢字\r\n\r\nend\r\n");
        const Sent s = send(BoxAddress, QStringLiteral("line ends"), body);
        checkWellFormed(s);
        checkText(s, body, "iso-2022-jp");
    }

    // Long enough for several encoded words; every word decodes alone, the ASCII after the kanji
    // included.
    void asciiAfterKanjiInALongSubject()
    {
        const QString subject = QStringLiteral("一二三四五六七八九十一二三四五六 Meeting");
        const Sent s = send(BoxAddress, subject, QStringLiteral("body\r\n"));
        checkWellFormed(s);
        QCOMPARE(s.mail.subject, subject);
        const QString header = s.mail.headerLines.join(u'\n');
        QVERIFY2(header.count(QStringLiteral("=?ISO-2022-JP?B?")) >= 2, qPrintable(header));
    }

    // What strict ISO-2022-JP cannot hold (NEC row 13, IBM extensions, half-width katakana, the
    // Windows forms of the wave dash and minus) goes as UTF-8 and arrives exactly.
    void charactersOutsideJisArriveExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("NEC row 13") << QStringLiteral("会議室①で");
        QTest::newRow("IBM extension") << QStringLiteral("髙橋さんへ");
        QTest::newRow("half-width katakana") << QStringLiteral("ｺﾋﾟｰをください");
        QTest::newRow("Windows wave dash") << QStringLiteral("10時～12時");
        QTest::newRow("Windows minus") << QStringLiteral("温度は－5度");
    }
    void charactersOutsideJisArriveExactly()
    {
        QFETCH(QString, text);
        const QString body = QStringLiteral("前の行\r\n") + text + QStringLiteral("\r\n");
        const Sent s = send(BoxAddress, text + QStringLiteral(" subject"), body);
        checkWellFormed(s);
        QCOMPARE(s.mail.subject, text + QStringLiteral(" subject"));
        checkText(s, body, "utf-8");
    }

    // The envelope goes to the bare addresses, the header keeps every display name as written.
    void displayNamesAndEnvelope_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("comma in a quoted name") << QStringLiteral("\"Yamada, Taro\" <%1>").arg(BoxAddress)
                                                << QStringList{QStringLiteral("Yamada, Taro")};
        QTest::newRow("Japanese name") << QStringLiteral("山田 太郎 <%1>").arg(BoxAddress)
                                       << QStringList{QStringLiteral("山田 太郎")};
        QTest::newRow("Japanese name with a comma") << QStringLiteral("\"山田, 太郎（営業部）\" <%1>").arg(BoxAddress)
                                                    << QStringList{QStringLiteral("山田, 太郎（営業部）")};
        QTest::newRow("name outside JIS") << QStringLiteral("\"髙橋 ①\" <%1>").arg(BoxAddress)
                                          << QStringList{QStringLiteral("髙橋 ①")};
        QTest::newRow("quotes and backslash") << QStringLiteral("\"O'Neil \\\"Jr\\\" a\\\\b\" <%1>").arg(BoxAddress)
                                              << QStringList{QStringLiteral("O'Neil \"Jr\" a\\b")};
        QTest::newRow("two recipients") << QStringLiteral("%1, \"Doe, J.\" <nobody@example.jp>").arg(BoxAddress)
                                        << QStringList{QString(), QStringLiteral("Doe, J.")};
    }
    void displayNamesAndEnvelope()
    {
        QFETCH(QString, to);
        QFETCH(QStringList, names);
        const Sent s = send(to, QStringLiteral("names"), QStringLiteral("本文\r\n"));
        checkWellFormed(s);
        QCOMPARE(s.mail.to.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(s.mail.to.at(i).name, names.at(i));
        QCOMPARE(s.mail.to.first().addr, BoxAddress);
        QStringList envelope;
        for (const ReadAddress& a : s.mail.to)
            envelope.append(a.addr);
        if (servers.throughAiosmtpd())  // only aiosmtpd keeps a copy with the envelope
            QCOMPARE(s.spooled.envelopeTo, envelope);
        QCOMPARE(s.mail.from.size(), 1);
        QCOMPARE(s.mail.from.first().addr, QStringLiteral("tessa@example.jp"));
    }

    // Named for RFC 2231 readers (filename*) and, the way older readers expect it, in name="".
    void attachmentNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Japanese") << QStringLiteral("見積書（第２版）①、最終.txt");
        QTest::newRow("ASCII with spaces") << QStringLiteral("report 2026 (final).pdf");
        QTest::newRow("quote and backslash") << QStringLiteral("say \"hi\" a\\b.txt");
    }
    void attachmentNames()
    {
        QFETCH(QString, name);
        const QByteArray data = "line 1\r\n.\r\n\x82\xa0\x00end";
        program.write(name, data);
        const Sent s = send(BoxAddress, QStringLiteral("添付"), QStringLiteral("添付します。\r\n"), program.file(name));
        checkWellFormed(s);
        QCOMPARE(s.mail.attachments.size(), 1);
        QCOMPARE(s.mail.attachments.first().fileName, name);
        QCOMPARE(s.mail.attachments.first().legacyName, name);
        QCOMPARE(s.mail.attachments.first().data, data);
        checkText(s, QStringLiteral("添付します。\r\n"), "iso-2022-jp");
    }

    // A header line may not pass 998 bytes: a long ASCII subject is folded at its spaces, or
    // encoded when it has none to fold at; ASCII that would not read back as written is encoded.
    void longAsciiSubjectIsFolded_data()
    {
        QTest::addColumn<QString>("subject");
        QString words;
        for (int i = 0; i < 150; ++i)
            words += QStringLiteral("word%1 ").arg(i);
        QTest::newRow("words") << words.trimmed();
        QTest::newRow("no space") << QString(1500, u'x');
        QTest::newRow("double spaces") << QStringLiteral("a  b   c ") + QString(1000, u'y');
        // ASCII that a reader would take for an encoded word, or whose leading space it drops.
        QTest::newRow("looks encoded") << QStringLiteral("looks =?like?= a word");
        QTest::newRow("leading space") << QStringLiteral("  leading space");
    }
    void longAsciiSubjectIsFolded()
    {
        QFETCH(QString, subject);
        const Sent s = send(BoxAddress, subject, QStringLiteral("body\r\n"));
        checkWellFormed(s);
        QCOMPARE(s.mail.subject, subject);
    }

    // Nothing with a line break reaches the server: not the recipient, not a header.
    void lineBreaksNeverReachTheServer_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("attachments");
        const QString from = QStringLiteral("tessa@example.jp");
        QTest::newRow("CR LF in the recipient") << BoxAddress + QStringLiteral("\r\nRCPT TO:<tls@example.jp>")
                                                << QStringLiteral("s") << from << QString();
        QTest::newRow("LF in a display name") << QStringLiteral("\"a\nb\" <%1>").arg(BoxAddress) << QStringLiteral("s")
                                              << from << QString();
        QTest::newRow("CR in the subject") << BoxAddress << QStringLiteral("s\rBcc: tls@example.jp") << from << QString();
        QTest::newRow("LF in the sender") << BoxAddress << QStringLiteral("s") << from + QStringLiteral("\nx") << QString();
        QTest::newRow("NUL in the subject") << BoxAddress << QStringLiteral("s") + QChar(0) + u'x' << from << QString();
        QTest::newRow("LF in an attachment path") << BoxAddress << QStringLiteral("s") << from
                                                  << program.file(QStringLiteral("a\nb"));
    }
    void lineBreaksNeverReachTheServer()
    {
        QFETCH(QString, to);
        QFETCH(QString, subject);
        QFETCH(QString, from);
        QFETCH(QString, attachments);
        const qsizetype before = servers.spooled();
        const Sent s = send(to, subject, QStringLiteral("body\r\n"), attachments, from);
        QVERIFY(s.result < 0);
        QVERIFY2(s.error.contains(QStringLiteral("改行")), qPrintable(s.error));
        QCOMPARE(servers.spooled(), before);
    }

    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no sender") << BoxAddress << QString() << QStringLiteral("差出人");
        QTest::newRow("sender without domain") << BoxAddress << QStringLiteral("tessa") << QStringLiteral("差出人");
        QTest::newRow("name without address") << QStringLiteral("Yamada, Taro <%1>").arg(BoxAddress)
                                              << QStringLiteral("tessa@example.jp") << QStringLiteral("Yamada");
    }
    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QString, to);
        QFETCH(QString, from);
        QFETCH(QString, reason);
        const qsizetype before = servers.spooled();
        const Sent s = send(to, QStringLiteral("s"), QStringLiteral("body\r\n"), {}, from);
        QVERIFY(s.result < 0);
        QVERIFY2(s.error.contains(reason), qPrintable(s.error));
        QCOMPARE(servers.spooled(), before);
    }
};

QTEST_GUILESS_MAIN(OutgoingMailTest)
#include "tst_OutgoingMail.moc"
