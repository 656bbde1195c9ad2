// Fixed-width byte fields, space trimming and the number rules of the stored formats.

#include "platform/NumberRules.h"
#include "platform/TextFields.h"

#include <QTest>

class TextRulesTest : public QObject {
    Q_OBJECT

private slots:
    void fixedFieldCountsBytes_data();
    void fixedFieldCountsBytes();
    void withoutPaddingKeepsTheHeading_data();
    void withoutPaddingKeepsTheHeading();
    void withCrLfWritesEveryLineEndAlike();
    void cutBytesNeverSplitsACharacter();
    void trimSpacesRemovesCode32Only_data();
    void trimSpacesRemovesCode32Only();
    void roundHalfEven_data();
    void roundHalfEven();
    void leadingNumber_data();
    void leadingNumber();
    void toInt16HalfEvenClamps_data();
    void toInt16HalfEvenClamps();
};

void TextRulesTest::fixedFieldCountsBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("padded") << QStringLiteral("ab") << 5 << QByteArray("ab   ");
    QTest::newRow("exact") << QStringLiteral("abcde") << 5 << QByteArray("abcde");
    QTest::newRow("cut") << QStringLiteral("abcdefg") << 5 << QByteArray("abcde");
    QTest::newRow("kanji fits") << QStringLiteral("ab受") << 4 << QByteArray("ab\x8E\xF3");
    QTest::newRow("kanji straddles the end") << QStringLiteral("abc受") << 4
                                             << QByteArray("abc ");
    QTest::newRow("kanji straddles, more follow") << QStringLiteral("a受信") << 4
                                                  << QByteArray("a\x8E\xF3 ");
    QTest::newRow("half-width kana is one byte") << QStringLiteral("ｺﾋﾟｰ!") << 4
                                                 << QByteArray("\xBA\xCB\xDF\xB0");
    QTest::newRow("empty") << QString() << 3 << QByteArray("   ");
    QTest::newRow("zero width") << QStringLiteral("受") << 0 << QByteArray();
}

void TextRulesTest::fixedFieldCountsBytes()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, field);
    // Appended after what the record already holds, which stays as it was.
    QByteArray record("head|");
    textfields::appendFixedField(record, text, width);
    QCOMPARE(record, "head|" + field);
}

void TextRulesTest::withoutPaddingKeepsTheHeading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QByteArray>("left");
    QTest::newRow("short padding") << QByteArray("ab  ") << 0 << QByteArray("ab");
    QTest::newRow("padding over several words") << QByteArray("abc") + QByteArray(29, ' ') << 1 << QByteArray("abc");
    QTest::newRow("space inside stays") << QByteArray("a b") + QByteArray(9, ' ') << 0 << QByteArray("a b");
    QTest::newRow("never into the heading") << QByteArray("ab") + QByteArray(20, ' ') << 6 << QByteArray("ab    ");
    QTest::newRow("all padding") << QByteArray(17, ' ') << 0 << QByteArray();
    QTest::newRow("shorter than the heading") << QByteArray("a  ") << 8 << QByteArray("a  ");
    QTest::newRow("nothing to cut") << QByteArray("abcdefghij") << 3 << QByteArray("abcdefghij");
    // Padding is skipped in blocks of 32: a character in any word of a block stops it there.
    for (const int at : {0, 7, 8, 15, 16, 23, 24, 31, 32, 40, 70}) {
        QByteArray bytes(100, ' ');
        bytes[at] = 'x';
        QTest::newRow(qPrintable(QStringLiteral("last character at %1").arg(at))) << bytes << 0 << bytes.left(at + 1);
    }
    QTest::newRow("a block reaching into the heading") << QByteArray(40, ' ') << 20 << QByteArray(20, ' ');
}

void TextRulesTest::withoutPaddingKeepsTheHeading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, keep);
    QFETCH(QByteArray, left);
    QCOMPARE(textfields::withoutPadding(bytes, keep).toByteArray(), left);
}

void TextRulesTest::withCrLfWritesEveryLineEndAlike()
{
    QCOMPARE(textfields::withCrLf(u"a\r\nb\nc\rd"), QStringLiteral("a\r\nb\r\nc\r\nd"));
    QCOMPARE(textfields::withCrLf(u"\n\r\r\n\n\r"), QStringLiteral("\r\n\r\n\r\n\r\n\r\n"));
    QCOMPARE(textfields::withCrLf(u"受信\u2029"), QStringLiteral("受信\u2029"));
    QCOMPARE(textfields::withCrLf(u""), QString());
}

void TextRulesTest::cutBytesNeverSplitsACharacter()
{
    const QString text = QStringLiteral("受信");  // 8E F3 90 4D
    QCOMPARE(textfields::cutBytes(text, 1), QByteArray());
    QCOMPARE(textfields::cutBytes(text, 2), QByteArray("\x8E\xF3"));
    QCOMPARE(textfields::cutBytes(text, 3), QByteArray("\x8E\xF3"));
    QCOMPARE(textfields::cutBytes(text, 4), QByteArray("\x8E\xF3\x90\x4D"));
    QCOMPARE(textfields::cutBytes(text, 100), QByteArray("\x8E\xF3\x90\x4D"));
}

void TextRulesTest::trimSpacesRemovesCode32Only_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces") << QStringLiteral("  a b  ") << QStringLiteral("a b");
    QTest::newRow("tab and line break stay") << QStringLiteral("\ta\r\n ")
                                             << QStringLiteral("\ta\r\n");
    QTest::newRow("ideographic space stays") << QStringLiteral("\u3000名前\u3000 ")
                                             << QStringLiteral("\u3000名前\u3000");
    QTest::newRow("only spaces") << QStringLiteral("   ") << QString();
}

void TextRulesTest::trimSpacesRemovesCode32Only()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(textfields::trimSpaces(text), trimmed);
}

void TextRulesTest::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("2.4999") << 2.4999 << 2.0;
    QTest::newRow("2.5001") << 2.5001 << 3.0;
    QTest::newRow("-0.7") << -0.7 << -1.0;
    QTest::newRow("one and a half records, plus 1") << 30426.0 / 20284.0 + 1.0 << 2.0;
}

void TextRulesTest::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(numberrules::roundHalfEven(value), rounded);
}

void TextRulesTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("leading blank") << QStringLiteral(" 1") << 1.0;
    QTest::newRow("decimal") << QStringLiteral("1.5") << 1.5;
    QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("blank inside") << QStringLiteral("1 2") << 12.0;
    QTest::newRow("tab and line feed inside") << QStringLiteral("\t1\n2") << 12.0;
    QTest::newRow("negative") << QStringLiteral("-3") << -3.0;
    QTest::newRow("plus") << QStringLiteral("+7") << 7.0;
    QTest::newRow("sign then blank") << QStringLiteral("- 3") << -3.0;
    QTest::newRow("trailing text") << QStringLiteral("12abc") << 12.0;
    QTest::newRow("second point stops") << QStringLiteral("1.5.3") << 1.5;
    QTest::newRow("second sign stops") << QStringLiteral("1-2") << 1.0;
    QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
    QTest::newRow("point first") << QStringLiteral(".5") << 0.5;
    QTest::newRow("point last") << QStringLiteral("5.") << 5.0;
    QTest::newRow("comma stops") << QStringLiteral("1,5") << 1.0;
}

void TextRulesTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(numberrules::leadingNumber(text), number);
}

void TextRulesTest::toInt16HalfEvenClamps_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("half down to even") << 2.5 << 2;
    QTest::newRow("half up to even") << 3.5 << 4;
    QTest::newRow("largest") << 32767.4 << 32767;
    QTest::newRow("above range") << 40000.0 << 32767;
    QTest::newRow("below range") << -99999.0 << -32768;
    QTest::newRow("smallest") << -32768.0 << -32768;
}

void TextRulesTest::toInt16HalfEvenClamps()
{
    QFETCH(double, value);
    QFETCH(int, result);
    QCOMPARE(int(numberrules::toInt16HalfEven(value)), result);
}

QTEST_APPLESS_MAIN(TextRulesTest)
#include "textrules_test.moc"
