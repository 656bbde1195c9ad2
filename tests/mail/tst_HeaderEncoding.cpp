// Outgoing header text: RFC 2047 words that readers (and our own decoder) take apart one by one,
// addresses with encoded names, and RFC 2231 file names split over continuations.

#include "mail/AttachmentWriter.h"
#include "mail/HeaderEncoding.h"
#include "mail/ParsedMail.h"

#include <QTemporaryDir>
#include <QTest>

using namespace nmail;

class HeaderEncodingTest : public QObject {
    Q_OBJECT

private slots:
    void plainAsciiStaysAsItIs()
    {
        QCOMPARE(encodeWords(u"Meeting at 10:00"), QByteArray("Meeting at 10:00"));
        QVERIFY(encodeWords(u"looks =?like?= a word").startsWith("=?ISO-2022-JP?B?"));
    }

    void wordsAreShortAndStandAlone_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("JIS") << QStringLiteral("会議の議事録①を送ります。ご確認のほど、よろしくお願いいたします～") << QByteArray("ISO-2022-JP");
        QTest::newRow("outside JIS") << QStringLiteral("髙橋さんへ😀の絵文字と一緒に長い件名を送ります😀😀😀😀") << QByteArray("UTF-8");
    }
    void wordsAreShortAndStandAlone()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, charset);
        const QByteArray encoded = encodeWords(text);
        const QByteArrayList lines = encoded.split('\n');
        QVERIFY(lines.size() > 2);
        QString joined;
        for (QByteArray line : lines) {
            line = line.trimmed();
            QVERIFY2(line.size() <= 66, line.constData());
            QVERIFY(line.startsWith("=?" + charset + "?B?"));
            joined += decodeHeaderText(line);  // each word decodes on its own
        }
        QCOMPARE(joined, text);
        QCOMPARE(decodeHeaderText(encoded), text);
    }

    void addressesEncodeOnlyTheName()
    {
        QCOMPARE(encodeAddress(u" a@example.jp "), QByteArray("a@example.jp"));
        const QByteArray named = encodeAddress(u"\"山田 太郎\" <taro@example.jp>");
        QVERIFY(named.startsWith("=?ISO-2022-JP?B?"));
        QVERIFY(named.endsWith("?= <taro@example.jp>"));
        QCOMPARE(decodeHeaderText(named), QStringLiteral("山田 太郎 <taro@example.jp>"));
        QCOMPARE(bareAddress(u"山田 <taro@example.jp>"), QStringLiteral("taro@example.jp"));
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
