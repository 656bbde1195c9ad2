// Strict ISO-2022-JP as other programs read it: the characters the encoder takes are exactly
// those of JIS X 0208 that Python's codec knows, and Python and glibc's iconv read every one of
// them back as the same character.

#include "MailOracle.h"
#include "mail/Iso2022Jp.h"
#include "mail/Iso2022JpDecoder.h"

#include <QTest>

using namespace nmail;
using namespace Qt::StringLiterals;

namespace {

// Every character Python's strict codec reads from the JIS X 0208 rows that hold characters.
const char* const PythonJisX0208 = R"(
import sys
chars = set()
for row in list(range(1, 9)) + list(range(16, 85)):
    for cell in range(1, 95):
        try:
            text = (b"\x1b$B" + bytes([row + 0x20, cell + 0x20]) + b"\x1b(B").decode("iso-2022-jp")
        except UnicodeDecodeError:
            continue
        chars.add(text)
sys.stdout.write("".join(sorted(chars)))
)";

const char* const PythonDecode = "import sys; sys.stdout.write(sys.stdin.buffer.read().decode('iso-2022-jp'))";

std::optional<QString> pythonReads(const QByteArray& bytes)
{
    const auto out = oracle_detail::run(QStringLiteral("/usr/bin/python3"),
                                        {QStringLiteral("-c"), QString::fromLatin1(PythonDecode)}, bytes);
    return out ? std::optional(QString::fromUtf8(*out)) : std::nullopt;
}

}  // namespace

class Iso2022JpTest : public QObject {
    Q_OBJECT

private slots:
    void takesExactlyJisX0208AsOthersReadIt()
    {
        QString held;
        for (char32_t u = 0x80; u <= 0xffff; ++u) {
            const QChar ch(static_cast<char16_t>(u));
            if (!ch.isSurrogate() && iso2022jp::holds(QStringView(&ch, 1)))
                held += ch;
        }
        const auto python = oracle_detail::run(QStringLiteral("/usr/bin/python3"),
                                               {QStringLiteral("-c"), QString::fromLatin1(PythonJisX0208)});
        QVERIFY(python.has_value());
        QCOMPARE(held.size(), QString::fromUtf8(*python).size());

        // Lines of 40 characters, each closed by a line break in ASCII.
        QString text;
        for (qsizetype i = 0; i < held.size(); i += 40)
            text += held.mid(i, 40) + u'\n';
        const std::optional<QByteArray> encoded = iso2022jp::encode(text);
        QVERIFY(encoded.has_value());
        QCOMPARE(pythonReads(*encoded).value_or(QStringLiteral("<refused>")), text);
        QCOMPARE(iconvFromIso2022Jp(*encoded).value_or(QStringLiteral("<refused>")), text);
    }

    // Reading mail as mailers write it: runs in each set, escapes anywhere, line breaks that
    // end a forgotten double-byte run, and every broken character one U+FFFD.
    void decoderReadsEveryRunAndEscape_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("undecodable");
        QTest::newRow("kanji between ASCII") << QByteArray("a\x1b$B\x30\x21\x30\x22\x1b(Bb") << u"a亜唖b"_s << 0;
        QTest::newRow("odd byte before an escape")
            << QByteArray("\x1b$B\x30\x21\x30\x1b(Bb") << u"亜\uFFFDb"_s << 1;
        QTest::newRow("odd byte at the end") << QByteArray("\x1b$B\x30\x21\x30") << u"亜\uFFFD"_s << 1;
        QTest::newRow("line break ends a run never switched back")
            << QByteArray("\x1b$B\x30\x21\r\nab\x1b$B\x30\x22") << u"亜\r\nab唖"_s << 0;
        QTest::newRow("escape straight after escape") << QByteArray("\x1b$B\x1b(Bx\x1b$@\x30\x21") << u"x亜"_s << 0;
        QTest::newRow("shift out and in") << QByteArray("a\x0e\x31\x0f\x31") << u"aｱ1"_s << 0;
        QTest::newRow("katakana set") << QByteArray("\x1b(I\x31\x60\x1b(Ba") << u"ｱ\uFFFDa"_s << 1;
        QTest::newRow("eight-bit byte") << QByteArray("a\x80" "b\x1b$B\xB0\xA1") << u"a\uFFFDb\uFFFD\uFFFD"_s << 3;
        QTest::newRow("unknown escape") << QByteArray("a\x1b$Zb") << u"a\uFFFD$Zb"_s << 1;
        QTest::newRow("unassigned pair") << QByteArray("\x1b$B\x22\x2F\x30\x21") << u"\uFFFD亜"_s << 1;
        QTest::newRow("NEC row 13 and an IBM extension") << QByteArray("\x1b$B\x2D\x21\x79\x21") << u"①纊"_s << 0;
    }
    void decoderReadsEveryRunAndEscape()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, undecodable);
        int counted = 0;
        QCOMPARE(charsets::decodeIso2022Jp(bytes, counted).value_or(u"<refused>"_s), text);
        QCOMPARE(counted, undecodable);
    }

    void refusesWhatStrictReadersDoNotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("NEC row 13") << QStringLiteral("①");
        QTest::newRow("IBM extension") << QStringLiteral("髙");
        QTest::newRow("half-width katakana") << QStringLiteral("ｺﾋﾟｰ");
        QTest::newRow("Windows wave dash") << QStringLiteral("～");
        QTest::newRow("Windows parallel") << QStringLiteral("∥");
        QTest::newRow("Windows minus") << QStringLiteral("－");
        QTest::newRow("Latin") << QStringLiteral("é");
        QTest::newRow("simplified Chinese") << QStringLiteral("简");
        QTest::newRow("emoji") << QStringLiteral("😀");
        QTest::newRow("escape") << QStringLiteral("a\x1b(Jb");
        QTest::newRow("shift out") << QStringLiteral("a\x0e");
    }
    void refusesWhatStrictReadersDoNotHold()
    {
        QFETCH(QString, text);
        QVERIFY(!iso2022jp::holds(QStringLiteral("漢字") + text + QStringLiteral("abc")));
    }

};

QTEST_GUILESS_MAIN(Iso2022JpTest)
#include "tst_Iso2022Jp.moc"
