// The fortune: the twelve texts and the disclaimer as the mail carries them, the block appended
// to a body, and a draw that is uniform over 1 to 12 and never leaves that range.

#include "ComposeFixture.h"
#include "compose/Fortune.h"
#include "platform/Cp932.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include <array>
#include <cmath>
#include <random>

namespace {

// A seeded generator, so the statistics below are the same on every run.
class SeededRandom final : public RandomSource {
public:
    double next() override { return unit_(engine_); }

private:
    std::mt19937 engine_{20261208};
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

class FixedRandom final : public RandomSource {
public:
    explicit FixedRandom(double v) : value(v) {}
    double next() override { return value; }
    double value;
};

}  // namespace

class FortuneTest : public QObject {
    Q_OBJECT

private slots:
    void textsOpenWithTheirGradeAndKeepTheirIdeographicSpaces()
    {
        const QStringList grades = {QStringLiteral("大吉："), QStringLiteral("中吉："), QStringLiteral("吉："),
                                    QStringLiteral("凶：")};
        const std::array<int, 13> gradeOf = {-1, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 3, 3};
        for (int k = 1; k <= compose::FortuneCount; ++k) {
            const QString& text = compose::FortuneTexts.at(k);
            QVERIFY2(text.startsWith(grades.at(gradeOf.at(k))), qPrintable(QString::number(k)));
            const bool hasIdeographicSpace = k == 1 || k == 2 || k == 7 || k == 11;
            QCOMPARE(text.contains(QChar(0x3000)), hasIdeographicSpace);
            // Every text travels in Shift_JIS without a replacement character.
            QVERIFY(!cp932::encode(text).contains('?'));
        }
        QVERIFY(compose::FortuneTexts.at(7).endsWith(QChar(0x3000)));
        QVERIFY(compose::FortuneTexts.at(0).isEmpty());
        QCOMPARE(compose::FortuneDisclaimer.count(QChar(0x3000)), 2);
        QVERIFY(compose::FortuneDisclaimer.contains(QStringLiteral("この占いは Hanabira（")));
    }

    // The block as the mail carries it, byte for byte, for a body of "abc" and the draw 0.5,
    // which is fortune 7; the sent-history record of the pass keeps the body without it.
    void blockFollowsTheBodyByteForByte()
    {
        ComposeFixture c;
        c.seams.random.values = {0.5};
        c.form->ToText->setText(QStringLiteral("to@example.jp"));
        c.form->setBodyText(QStringLiteral("abc"));
        c.form->Check1->setChecked(true);
        QByteArray sentBody;
        c.messages.onShow = [&] { sentBody = cp932::encode(c.form->bodyText()); };

        c.form->Command1->click();

        QCOMPARE(c.shown().size(), 1);  // the loopback port 1 refuses the mail
        const QByteArray expected = QByteArray("abc\r\n\r\n")
            + cp932::encode(QStringLiteral("★★★　この占いは Hanabira（さざなみ通信）がアトランダムにチョイスしたものです"
                                           "（だからこそ占い♪）　送信者にも内容は判りませんので、あしからず・・・"
                                           "当たるも八卦、当たらぬも八卦。★★★"))
            + "\r\n\r\n"
            + cp932::encode(QStringLiteral("中吉：両親からの教えを胸に刻んで行動すれば、意外なほどの好調に思わずニンマリ！　"));
        QCOMPARE(sentBody, expected);
        QCOMPARE(sentBody.right(2), QByteArray("\x81\x40"));  // the text's own ideographic space ends it
        QCOMPARE(c.sentFile().mid(280, 4), QByteArray("abc "));
    }

    void drawCoversOneToTwelveAtTheEdges()
    {
        const auto drawAt = [](double value) {
            FixedRandom random(value);
            return compose::drawFortune(random);
        };
        QCOMPARE(drawAt(0.0), 1);
        QCOMPARE(drawAt(1.0 / 12), 2);
        QCOMPARE(drawAt(11.0 / 12 - 1e-9), 11);
        QCOMPARE(drawAt(std::nextafter(1.0, 0.0)), 12);
        QCOMPARE(drawAt(std::nextafter(1.0f, 0.0f)), 12);
    }

    void drawIsUniformOverTheTwelveTexts()
    {
        SeededRandom random;
        constexpr int Draws = 120000;
        std::array<int, 14> counts{};
        for (int i = 0; i < Draws; ++i) {
            const int k = compose::drawFortune(random);
            QVERIFY2(k >= 1 && k <= 12, qPrintable(QString::number(k)));
            ++counts.at(static_cast<std::size_t>(k));
        }
        QCOMPARE(counts.at(0), 0);
        QCOMPARE(counts.at(13), 0);
        // Pearson's chi-square with 11 degrees of freedom stays under 31.26 with probability
        // 0.999 when the draw is uniform; each count also stays within 5 % of 1/12.
        const double expected = Draws / 12.0;
        double chiSquare = 0;
        for (int k = 1; k <= 12; ++k) {
            const double count = counts.at(static_cast<std::size_t>(k));
            chiSquare += (count - expected) * (count - expected) / expected;
            QVERIFY2(std::abs(count - expected) < 0.05 * expected, qPrintable(QString::number(k)));
        }
        QVERIFY2(chiSquare < 31.26, qPrintable(QString::number(chiSquare)));
    }
};

QTEST_MAIN(FortuneTest)
#include "fortune_test.moc"
