// Header text: outgoing RFC 2047 words that stand alone, RFC 2231 file names split over
// continuations; and received words decoded one by one.

#include "MailOracle.h"
#include "mail/AttachmentWriter.h"
#include "mail/HeaderEncoding.h"
#include "mail/ParsedMail.h"

#include <QTemporaryDir>
#include <QTest>

#include <vmime/vmime.hpp>

using namespace nmail;

class HeaderEncodingTest : public QObject {
    Q_OBJECT

private slots:
    void wordsAreShortAndStandAlone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("JIS") << QStringLiteral("会議の議事録を送ります。ご確認のほど、よろしくお願いいたします。 Meeting") << QByteArray("ISO-2022-JP");
        QTest::newRow("outside JIS") << QStringLiteral("髙橋さんへ😀の絵文字と一緒に長い件名を送ります①😀😀😀") << QByteArray("UTF-8");
    }
    void wordsAreShortAndStandAlone()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, charset);
        const QByteArray encoded = encodeUnstructured(text, 9);
        const QByteArrayList lines = encoded.split('\n');
        QVERIFY(lines.size() > 2);
        QString joined;
        for (QByteArray line : lines) {
            line = line.trimmed();
            QVERIFY2(line.size() <= 66, line.constData());
            QVERIFY(line.startsWith("=?" + charset + "?B?"));
            QVERIFY2(jisWordsNotBackInAscii({QString::fromLatin1(line)}).isEmpty(), line.constData());
            joined += decodeHeaderText(line);  // each word decodes on its own
        }
        QCOMPARE(joined, text);
        QCOMPARE(decodeHeaderText(encoded), text);
    }

    // Each encoded word is decoded on its own, so a word that returns to ASCII (or one from a
    // sender that never did) cannot spill into the next; words are joined only when one does not
    // decode alone, as when a sender split a character between two words.
    void receivedWordsDecodeOneByOne_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        const QByteArray kanji = "\x1b$B0lFs;0;M8^O;<7H,6e==0lFs;0;M8^O;";  // 一二三四五六七八九十一二三四五六
        const QByteArray aiUtf8 = QStringLiteral("あい").toUtf8();
        QTest::newRow("JIS word left in JIS, then ASCII")
            << "=?ISO-2022-JP?B?" + kanji.toBase64() + "?=\r\n =?ISO-2022-JP?B?" + QByteArray(" Meeting").toBase64() + "?="
            << QStringLiteral("一二三四五六七八九十一二三四五六 Meeting");
        QTest::newRow("JIS words, each back in ASCII")
            << "=?ISO-2022-JP?B?" + (kanji + "\x1b(B").toBase64() + "?= =?ISO-2022-JP?B?" + QByteArray("\x1b$B;3ED\x1b(B x").toBase64() + "?="
            << QStringLiteral("一二三四五六七八九十一二三四五六山田 x");
        QTest::newRow("character split between words")
            << "=?UTF-8?B?" + aiUtf8.left(4).toBase64() + "?= =?UTF-8?B?" + aiUtf8.mid(4).toBase64() + "?="
            << QStringLiteral("あい");
        QTest::newRow("plain text around words")
            << "Re: =?UTF-8?B?" + aiUtf8.toBase64() + "?= (2)" << QStringLiteral("Re: あい (2)");
        QTest::newRow("two charsets")
            << "=?ISO-2022-JP?B?" + QByteArray("\x1b$B;3ED\x1b(B").toBase64() + "?= =?UTF-8?B?" + QStringLiteral("髙").toUtf8().toBase64() + "?="
            << QStringLiteral("山田髙");
    }
    void receivedWordsDecodeOneByOne()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QCOMPARE(decodeHeaderText(field), text);
    }

    // Plain fields read as VMime reads them, blanks and look-alikes of encoded words included.
    void plainFieldsReadAsVMimeReadsThem()
    {
        for (const std::string value : {"bench 1", "a  b", "trailing ", " leading", "Tue, 08 Dec 2026 09:30:05 +0900",
                                        "\"Yamada, Taro\" <taro@example.jp>", "a=?b?=c", "~!@#$%^&*()_+{}|:\"<>?`-=[]\\;',./",
                                        "tab\there", "=?"}) {
            const auto words = vmime::text::decodeAndUnfold(value);
            QString expected;
            for (size_t i = 0; i < words->getWordCount(); ++i)
                expected += QString::fromStdString(words->getWordAt(i)->getBuffer());
            QCOMPARE(decodeHeaderText(QByteArray::fromStdString(value)), expected);
        }
    }

    void fileNamesSurviveRfc2231Continuations()
    {
        const QString name = QStringLiteral("とても長い日本語のファイル名、記号 &;\"' も含む①.pdf");
        const QByteArray parameter = rfc2231Parameter("filename", name);
        QVERIFY(parameter.contains("filename*1*="));
        for (const QByteArray& line : parameter.split('\n'))
            QVERIFY2(line.size() <= 78, line.constData());
        const QByteArray mail = "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n"
                                "Content-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n " +
                                parameter + "\r\n\r\ndata\r\n--B--\r\n";
        QTemporaryDir dir;
        const auto report = writeAttachments(ParsedMail(mail), dir.path());
        QCOMPARE(report.result, 1);
        QCOMPARE(QFileInfo(report.written.value(0)).fileName(), safeFileName(name, {}));
    }
};

QTEST_GUILESS_MAIN(HeaderEncodingTest)
#include "tst_HeaderEncoding.moc"
