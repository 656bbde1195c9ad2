// The slot table against itself: every label and every number from 1 to 16 is on the wheel
// once, written in full-width digits, and the colours follow the wheel's pattern.

#include "roulette/WheelSlots.h"

#include <QSet>
#include <QTest>

using namespace roulette;

namespace {

// The value of a number written in full-width digits; -1 for anything else.
int fullWidthValue(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c < u'０' || c > u'９')
            return -1;
        value = value * 10 + (c.unicode() - u'０');
    }
    return text.isEmpty() ? -1 : value;
}

}  // namespace

class WheelSlotsTest : public QObject {
    Q_OBJECT

private slots:
    void everyNumberAndLabelSitsOnOneSlot();
    void redNumbersSitOnOddSlots();
    void labelsLieOnTheirMarkers();
};

// The label array index says nothing about the number: Label5(2) shows "４", Label5(15) "７".
void WheelSlotsTest::everyNumberAndLabelSitsOnOneSlot()
{
    QCOMPARE(fullWidthValue(u"１６"), 16);
    QCOMPARE(fullWidthValue(u"16"), -1);
    QSet<int> numbers;
    QSet<int> indexes;
    for (const WheelSlot& slot : WheelSlots) {
        const int number = fullWidthValue(slot.number);
        QVERIFY2(number >= 1 && number <= SlotCount, qPrintable(slot.number.toString()));
        numbers.insert(number);
        QVERIFY(slot.labelIndex >= 0 && slot.labelIndex < SlotCount);
        indexes.insert(slot.labelIndex);
    }
    QCOMPARE(numbers.size(), SlotCount);
    QCOMPARE(indexes.size(), SlotCount);
    QCOMPARE(WheelSlots[0].number, u"１");
    QCOMPARE(WheelSlots[1].labelIndex, 2);
    QCOMPARE(WheelSlots[1].number, u"４");
}

void WheelSlotsTest::redNumbersSitOnOddSlots()
{
    const QSet<int> red{2, 4, 5, 7, 11, 14, 15, 16};
    for (int k = 0; k < SlotCount; ++k) {
        const WheelSlot& slot = WheelSlots[k];
        const bool isRed = slot.colour == SlotColour::Red;
        QCOMPARE(isRed, red.contains(fullWidthValue(slot.number)));
        QCOMPARE(isRed, k % 2 == 1);
    }
}

// The number is drawn over the marker, so each label lies inside its slot's marker picture.
void WheelSlotsTest::labelsLieOnTheirMarkers()
{
    for (const WheelSlot& slot : WheelSlots) {
        const QRect marker(slot.marker, MarkerSizeTwips);
        const QRect label(slot.label, LabelSizeTwips);
        QVERIFY2(marker.contains(label), qPrintable(slot.number.toString()));
    }
}

QTEST_GUILESS_MAIN(WheelSlotsTest)
#include "WheelSlotsTest.moc"
