// Strict ISO-2022-JP as other programs read it: the characters the encoder takes are exactly
// those of JIS X 0208 that Python's codec knows, and Python and glibc's iconv read every one of
// them back as the same character.

#include "MailOracle.h"
#include "mail/Iso2022Jp.h"

#include <QTest>

using namespace nmail;

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
