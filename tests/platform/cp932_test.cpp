// Code page 932 conversion: the exact bytes of the characters our files carry, the look-alikes
// written for characters 932 lacks, what becomes "〓" when encoding and "?" when decoding.

#include "platform/Cp932.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

class Cp932Test : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void lookAlikesEncodeAsTheir932Characters_data();
    void lookAlikesEncodeAsTheir932Characters();
    void missingCharactersBecomeLookAlikesOrStandIns_data();
    void missingCharactersBecomeLookAlikesOrStandIns();
    void invisibleCharactersAreCountedNotKept();
    void malformedBytesDecodeAsQuestionMark_data();
    void malformedBytesDecodeAsQuestionMark();
    void controlsStayThemselves();
    void everyCharacterDecodesAsPythonsCp932();
    void leadBytes();
};

void Cp932Test::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wave dash") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("ibm extension") << QStringLiteral("髙") << QByteArray("\xFB\xFC");
    QTest::newRow("half-width kana") << QStringLiteral("ｺﾋﾟｰ") << QByteArray("\xBA\xCB\xDF\xB0");
    QTest::newRow("backslash and tilde") << QStringLiteral("\\~") << QByteArray("\\~");
    QTest::newRow("full-width space") << QStringLiteral("\u3000") << QByteArray("\x81\x40");
    QTest::newRow("mixed") << QStringLiteral("Re:受信ﾃｽﾄ①")
                           << QByteArray("Re:\x8E\xF3\x90\x4D\xC3\xBD\xC4\x87\x40");
    QTest::newRow("double-width minus") << QStringLiteral("－") << QByteArray("\x81\x7C");
    QTest::newRow("horizontal bar") << QStringLiteral("―") << QByteArray("\x81\x5C");
}

void Cp932Test::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encode(text), bytes);
    QCOMPARE(cp932::decode(bytes), text);
}

void Cp932Test::lookAlikesEncodeAsTheir932Characters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("U+301C wave dash") << QStringLiteral("\u301C") << QByteArray("\x81\x60");
    QTest::newRow("U+2016 double bar") << QStringLiteral("\u2016") << QByteArray("\x81\x61");
    QTest::newRow("U+2212 minus") << QStringLiteral("\u2212") << QByteArray("\x81\x7C");
    QTest::newRow("U+00A2 cent") << QStringLiteral("\u00A2") << QByteArray("\x81\x91");
    QTest::newRow("U+00A3 pound") << QStringLiteral("\u00A3") << QByteArray("\x81\x92");
    QTest::newRow("U+00AC not") << QStringLiteral("\u00AC") << QByteArray("\x81\xCA");
    QTest::newRow("U+2014 em dash") << QStringLiteral("\u2014") << QByteArray("\x81\x5C");
}

void Cp932Test::lookAlikesEncodeAsTheir932Characters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encode(text), bytes);
}

void Cp932Test::missingCharactersBecomeLookAlikesOrStandIns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("inexact");
    const QByteArray geta("\x81\xAC");
    QTest::newRow("hangul") << QStringLiteral("a한b") << "a" + geta + "b" << 1;
    QTest::newRow("simplified chinese") << QStringLiteral("们") << geta << 1;
    QTest::newRow("outside the basic plane") << QStringLiteral("𠮷野") << geta + "\x96\xEC" << 1;
    QTest::newRow("emoji") << QStringLiteral("だった🎄") << QByteArray("\x82\xBE\x82\xC1\x82\xBD") + geta << 1;
    QTest::newRow("emoji with presentation selector") << QStringLiteral("❤️!") << geta + "!" << 1;
    QTest::newRow("family of four is one") << QStringLiteral("👨‍👩‍👧‍👦") << geta << 1;
    QTest::newRow("flag is one") << QStringLiteral("🇯🇵") << geta << 1;
    QTest::newRow("lone surrogate") << (QString(QChar(0xD800)) + u'x') << geta + "x" << 1;
    QTest::newRow("yen sign") << QStringLiteral("¥8,980") << QByteArray("\x81\x8F" "8,980") << 1;
    QTest::newRow("accent") << QStringLiteral("café") << QByteArray("cafe") << 1;
    QTest::newRow("combining accent") << QStringLiteral("cafe\u0301") << QByteArray("cafe") << 1;
    QTest::newRow("copyright") << QStringLiteral("© 2026") << QByteArray("(C) 2026") << 1;
    QTest::newRow("bullet") << QStringLiteral("•項目") << QByteArray("\x81\x45\x8D\x80\x96\xDA") << 1;
    QTest::newRow("no-break space") << QStringLiteral("1\u00A0円") << QByteArray("1 \x89\x7E") << 1;
    QTest::newRow("keycap") << QStringLiteral("1️⃣") << QByteArray("1") << 1;
    QTest::newRow("square era name") << QStringLiteral("㋿") << QByteArray("\x97\xDF\x98\x61") << 1;
    QTest::newRow("a stand-in itself is exact") << QStringLiteral("〓") << geta << 0;
    QTest::newRow("JIS wave dash is the same character") << QStringLiteral("\u301C") << QByteArray("\x81\x60") << 0;
    QTest::newRow("between kanji") << QStringLiteral("髙한髙") << "\xFB\xFC" + geta + "\xFB\xFC" << 1;
    QTest::newRow("two of them") << QStringLiteral("¥😀") << "\x81\x8F" + geta << 2;
}

void Cp932Test::missingCharactersBecomeLookAlikesOrStandIns()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(int, inexact);
    qsizetype counted = -1;
    QCOMPARE(cp932::encode(text, &counted), bytes);
    QCOMPARE(counted, qsizetype(inexact));
    QCOMPARE(cp932::encode(text), bytes);
}

// A fuzzer find: the platform conversion dropped U+FEFF, U+200B, U+00AD, a variation selector
// and a lone high surrogate at the end without a trace. Invisible ones are still left out, as a
// reader sees nothing of them, but each is counted, so that a caller knows the text changed.
void Cp932Test::invisibleCharactersAreCountedNotKept()
{
    QFile file(QFINDTESTDATA("data/encode-dropped-invisible-characters.utf16le"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray utf16 = file.readAll();
    const QStringView text(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
    qsizetype inexact = 0;
    QCOMPARE(cp932::encode(text, &inexact), QByteArray("abc\x81\xAC"));
    QCOMPARE(inexact, qsizetype(5));
}

void Cp932Test::malformedBytesDecodeAsQuestionMark_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead byte at the end") << QByteArray("ab\x82") << QStringLiteral("ab?");
    QTest::newRow("only a lead byte") << QByteArray("\xFB") << QStringLiteral("?");
    QTest::newRow("lead byte before a space") << QByteArray("\x82 x") << QStringLiteral("? x");
    QTest::newRow("unassigned pair") << QByteArray("\x85\x40z") << QStringLiteral("?z");
    QTest::newRow("undefined single bytes") << QByteArray("\x80\xA0\xFD\xFE\xFF")
                                            << QStringLiteral("?????");
    QTest::newRow("lead byte before a control") << QByteArray("\x82\x1A")
                                                << QStringLiteral("?\u001A");
}

void Cp932Test::malformedBytesDecodeAsQuestionMark()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cp932::decode(bytes), text);
}

void Cp932Test::controlsStayThemselves()
{
    QByteArray ascii;
    QString text;
    for (int code = 0; code < 0x80; ++code) {
        ascii.append(static_cast<char>(code));
        text.append(QChar(code));
    }
    QCOMPARE(cp932::decode(ascii), text);
    QCOMPARE(cp932::encode(text), ascii);
    // The same controls beside a double-byte character, which takes the converter's road.
    QCOMPARE(cp932::decode(ascii + "\x82\xA0"), text + QStringLiteral("あ"));
    QCOMPARE(cp932::encode(text + QStringLiteral("あ")), ascii + "\x82\xA0");
}

void Cp932Test::everyCharacterDecodesAsPythonsCp932()
{
    // Python's codec, which owes nothing to ICU, decodes every pair of a lead and a trail byte
    // and every other single byte; a pair it cannot read is one 932 leaves unassigned.
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(R"(
lead = lambda b: 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC
trail = lambda b: 0x40 <= b <= 0x7E or 0x80 <= b <= 0xFC
for b in range(256):
    for c in ([bytes([b, t]) for t in range(256) if trail(t)] if lead(b) else [bytes([b])]):
        try:
            text = c.decode('cp932')
        except UnicodeDecodeError:
            text = '?'
        print(c.hex(), text.encode('utf-16-be').hex())
)")});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
    const QList<QByteArray> lines = python.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 196 + 60 * 188);
    // Where Python gives private-use or C1 code points to bytes that are no character of 932,
    // our files have always read "?".
    const QByteArray undefinedSingles = QByteArray::fromHex("80a0fdfeff");
    int differences = 0;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> columns = line.split(' ');
        const QByteArray bytes = QByteArray::fromHex(columns[0]);
        const QByteArray utf16 = QByteArray::fromHex(columns.value(1));
        QString expected = QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
        for (QChar& c : expected)
            c = QChar(qFromBigEndian(c.unicode()));
        if (bytes.size() == 1 && undefinedSingles.contains(bytes[0]))
            expected = QStringLiteral("?");
        // Alone, after ASCII and between two other characters: each character decodes the same.
        const QString got = cp932::decode(bytes);
        if (got != expected || cp932::decode("a" + bytes + "\x82\xA0") != u'a' + expected + u'あ')
            ++differences, qWarning("%s: %s, Python %s", columns[0].constData(), qPrintable(got), qPrintable(expected));
    }
    QCOMPARE(differences, 0);
}

void Cp932Test::leadBytes()
{
    QVERIFY(!cp932::isLeadByte(0x80));
    QVERIFY(cp932::isLeadByte(0x81));
    QVERIFY(cp932::isLeadByte(0x9F));
    QVERIFY(!cp932::isLeadByte(0xA0));
    QVERIFY(!cp932::isLeadByte(0xDF));
    QVERIFY(cp932::isLeadByte(0xE0));
    QVERIFY(cp932::isLeadByte(0xFC));
    QVERIFY(!cp932::isLeadByte(0xFD));
}

QTEST_APPLESS_MAIN(Cp932Test)
#include "cp932_test.moc"
