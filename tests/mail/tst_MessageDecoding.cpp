// What the reader of a received mail gets: subject, date and sender decoded from whatever
// charset and encoding the mail uses, and the text a person reads, for the corpus of real-world
// shapes and broken mails.

#include "MailCorpus.h"
#include "mail/AttachmentWriter.h"
#include "mail/Base64.h"
#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using nmail::decodeMail;
using nmail::ParsedMail;

class MessageDecodingTest : public QObject {
    Q_OBJECT

private slots:
    void decodesCharsetsAndEncodings_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("text");
        QTest::newRow("ISO-2022-JP with NEC row 13") << corpus::iso2022jp() << QStringLiteral("①～テスト")
                                                     << QStringLiteral("丸数字①と波ダッシュ～です。\r\n二行目\r\n");
        QTest::newRow("UTF-8 base64") << corpus::utf8Base64() << QStringLiteral("髙橋からのお知らせ")
                                      << QStringLiteral("髙橋です。\r\nUTF-8の本文です。\r\n");
        QTest::newRow("Shift_JIS quoted-printable") << corpus::shiftJisQuotedPrintable()
                                                    << QStringLiteral("シフトJISの本文")
                                                    << QStringLiteral("シフトJISの本文\r\n");
        QTest::newRow("EUC-JP") << corpus::eucJp() << QStringLiteral("EUCの件名") << QStringLiteral("EUC-JPの本文です。\r\n");
        QTest::newRow("folded subject splitting a character")
            << corpus::foldedSubject() << QStringLiteral("長い件名が複数の符号化語にまたがって折り返されています")
            << QStringLiteral("body\r\n");
        QTest::newRow("label lies: UTF-8 bytes called ISO-2022-JP")
            << corpus::lyingCharset() << QStringLiteral("嘘のラベル") << QStringLiteral("本当はUTF-8です。\r\n");
        QTest::newRow("unknown charset") << corpus::unknownCharset() << QStringLiteral("unknown")
                                         << QStringLiteral("知らない文字コード\r\n");
        QTest::newRow("multipart/alternative shows the plain version")
            << corpus::alternative() << QStringLiteral("alt") << QStringLiteral("平文の版\r\n");
        QTest::newRow("lines starting with a dot") << corpus::dotLines() << QStringLiteral("dots")
                                                   << QStringLiteral(".\r\n..two dots\r\n.one dot\r\nend\r\n");
        QTest::newRow("multipart without a boundary keeps its text")
            << corpus::missingBoundary() << QStringLiteral("noboundary") << QStringLiteral("just some text\r\n");
    }

    void decodesCharsetsAndEncodings()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, subject);
        QFETCH(QString, text);
        const auto mail = decodeMail(ParsedMail(raw));
        QCOMPARE(mail.subject, subject);
        QCOMPARE(mail.text, text);
        QCOMPARE(mail.sender, QStringLiteral("山田 <yamada@example.jp>"));
        QCOMPARE(mail.date, QStringLiteral("Tue, 08 Dec 2026 09:30:05 +0900"));
    }

    void headerIsKeptAsReceived()
    {
        const QByteArray raw = corpus::iso2022jp();
        const auto mail = decodeMail(ParsedMail(raw));
        QCOMPARE(mail.header, raw.left(raw.indexOf("\r\n\r\n")));
    }

    void htmlOnlyMailReadsAsPlainText()
    {
        const auto mail = decodeMail(ParsedMail(corpus::htmlOnly()));
        QCOMPARE(mail.text, QStringLiteral("こんにちは\r\n\r\nA & B ①\r\n"));
    }

    void attachmentsAreListedWithoutTheirData()
    {
        const auto mail = decodeMail(ParsedMail(corpus::nestedAttachments()));
        QCOMPARE(mail.text, QStringLiteral("本文です。\r\nContent-Type: application/pdf\r\n"
                                           "Content-Disposition: attachment; filename=\"%1\"\r\n"
                                           "Content-Type: text/plain\r\nContent-Disposition: attachment; filename=\"%2\"\r\n")
                                .arg(corpus::NestedFirstName, corpus::NestedSecondName));
    }

    // A forwarded mail reads where it stands, as other readers show it, and its file is kept too;
    // a mail forwarded within it reads the same way.
    void forwardedMailIsShownInTheText()
    {
        const auto mail = decodeMail(ParsedMail(corpus::forwarded()));
        QCOMPARE(mail.body, QStringLiteral("転送します。\r\n"
                                           "-------- 転送されたメール --------\r\n"
                                           "差出人: 佐藤 <sato@example.jp>\r\n"
                                           "日付: Mon, 07 Dec 2026 18:00:00 +0900\r\n"
                                           "件名: 会議の件\r\n"
                                           "宛先: yamada@example.jp\r\n\r\n"
                                           "明日の会議は10時からです。\r\n"
                                           "-------- 転送されたメール --------\r\n"
                                           "差出人: shop@example.jp\r\n"
                                           "件名: セール\r\n\r\n"
                                           "全品半額\r\n"
                                           "-------- 転送されたメールここまで --------\r\n"
                                           "（添付: attachment1.eml message/rfc822）\r\n"
                                           "-------- 転送されたメールここまで --------\r\n"));
        QCOMPARE(mail.attachments.size(), 1);
        QCOMPARE(mail.attachments[0].type, QStringLiteral("message/rfc822"));
        QCOMPARE(mail.attachments[0].fileName, QStringLiteral("attachment1.eml"));
        QCOMPARE(mail.losses, 0);
    }

    void forwardingNestsOnlySoDeep()
    {
        QByteArray raw = corpus::mail("Subject: 0", "bottom\r\n");
        for (int level = 1; level <= 6; ++level)
            raw = corpus::mail("Subject: " + QByteArray::number(level) + "\r\nContent-Type: message/rfc822", raw);
        const QString body = decodeMail(ParsedMail(raw)).body;
        QCOMPARE(body.count(QStringLiteral("-------- 転送されたメール --------")), 4);
        QVERIFY(body.contains(QStringLiteral("件名: 2\r\n")));
        QVERIFY(!body.contains(QStringLiteral("件名: 1\r\n")));
        QVERIFY(!body.contains(u"bottom"));
    }

    void fragmentShowsItsTypeAsAnAttachment()
    {
        const auto mail = decodeMail(ParsedMail(corpus::fragment()));
        QCOMPARE(mail.text, QStringLiteral("Content-Type: message/partial\r\nContent-Disposition: attachment\r\n"));
    }

    // Inputs that once broke the decoder (fuzzer finds), kept as files named after the fault.
    void regressionInputsDecode_data()
    {
        QTest::addColumn<QString>("path");
        const QDir data(QStringLiteral(TESSALY_MAIL_TEST_DATA));
        for (const QString& name : data.entryList({QStringLiteral("*.eml")}, QDir::Files))
            QTest::newRow(qPrintable(name)) << data.filePath(name);
    }
    void regressionInputsDecode()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ParsedMail mail(file.readAll());
        decodeMail(mail);
        QTemporaryDir dir;
        QVERIFY(nmail::writeAttachments(mail, dir.path()).result >= -6);
    }

    // Base64 as mailers wrap it, of every length around the padding cases, decodes to the bytes it
    // was made of, also in pieces cut anywhere; data a strict reader would call broken is not
    // clean, and reads as Qt's lenient decoder reads it.
    void base64DecodesWhatWasEncoded()
    {
        QRandomGenerator random(20261208);
        for (int length = 0; length < 200; ++length) {
            QByteArray bytes(length, Qt::Uninitialized);
            for (char& byte : bytes)
                byte = char(random.bounded(256));
            QByteArray wrapped;
            const QByteArray encoded = bytes.toBase64();
            const int width = 72 + length % 5;  // lines that also break groups of four
            for (qsizetype at = 0; at < encoded.size(); at += width)
                wrapped += encoded.mid(at, width) + "\r\n";
            bool clean = false;
            QCOMPARE(nmail::decodeBase64(wrapped.toStdString(), &clean), bytes);
            QVERIFY(clean);
            const qsizetype cut = random.bounded(qsizetype(wrapped.size() + 1));
            nmail::Base64Decoder pieces;
            QByteArray out(qsizetype(nmail::Base64Decoder::roomFor(wrapped.size()) + 3), Qt::Uninitialized);
            const size_t head = pieces.decode(std::string_view(wrapped.constData(), size_t(cut)), out.data());
            const size_t tail = pieces.decode(std::string_view(wrapped.constData() + cut, size_t(wrapped.size() - cut)), out.data() + head);
            QCOMPARE(out.left(qsizetype(head + tail)), bytes);
            QVERIFY(pieces.clean());
        }
        for (const QByteArray& broken : {QByteArray("QUJD*REVG\r\n"), QByteArray("QUI=QUJD\r\n"), QByteArray("QUJDR"), QByteArray("QQ==="),
                                         QByteArray("QQ==QUJD"), QByteArray("Q")}) {
            bool clean = true;
            QCOMPARE(nmail::decodeBase64(broken.toStdString(), &clean), QByteArray::fromBase64(broken));
            QVERIFY2(!clean, broken.constData());
        }
    }

    // A text is read as far as a reader could want (1 MiB, fifty records), in one part or in many;
    // what lies beyond is said to be cut, so that the raw mail is kept.
    void textIsReadToItsLimit()
    {
        const QByteArray line = "a line of a very long text\r\n";
        const nmail::DecodedMail one = decodeMail(ParsedMail(corpus::mail("Subject: long\nContent-Type: text/plain", line.repeated(120000))));
        QVERIFY(one.body.size() <= 1024 * 1024 + line.size());
        QVERIFY(one.body.startsWith(QString::fromLatin1(line)));
        QVERIFY(one.losses & nmail::MailLoss::TextCut);
        QByteArray parts = "--b\r\nContent-Type: text/plain\r\n\r\n" + line.repeated(20000) + "\r\n";
        const nmail::DecodedMail many = decodeMail(ParsedMail(corpus::mail("Subject: parts\nContent-Type: multipart/mixed; boundary=b",
                                                                     parts.repeated(40) + "--b--\r\n")));
        QVERIFY(many.body.size() <= 2 * 1024 * 1024);
        QVERIFY(many.losses & nmail::MailLoss::TextCut);
        QVERIFY(!(decodeMail(ParsedMail(corpus::mail("Subject: short\nContent-Type: text/plain", line))).losses & nmail::MailLoss::TextCut));
    }

    void brokenMailsDecodeWithoutCrashing()
    {
        QCOMPARE(decodeMail(ParsedMail(corpus::badBase64())).subject, QStringLiteral("bad"));
        const auto huge = decodeMail(ParsedMail(corpus::hugeHeaderLine()));
        QCOMPARE(huge.subject, QStringLiteral("huge"));
        QCOMPARE(huge.text, QStringLiteral("small body\r\n"));
        const auto empty = decodeMail(ParsedMail(QByteArray()));
        QVERIFY(empty.text.isEmpty());
        QVERIFY(decodeMail(ParsedMail("no header at all")).subject.isEmpty());
    }
};

QTEST_GUILESS_MAIN(MessageDecodingTest)
#include "tst_MessageDecoding.moc"
