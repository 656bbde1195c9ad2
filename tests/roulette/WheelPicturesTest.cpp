// The pictures drawn by the program: their sizes, the sector colour under every number label,
// the plain right-hand part of the window, and the marker's transparent surroundings.

#include "roulette/WheelPictures.h"

#include <QTest>

using namespace roulette;

namespace {

bool looksRed(QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; }
bool looksWhite(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; }

}  // namespace

class WheelPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void backgroundCoversTheWindow();
    void sectorUnderEachLabelHasTheSlotColour();
    void rightPartOfTheWindowIsPlainTable();
    void markerIsABallWithTransparentCorners();
    void windowIconIsSmall();

private:
    QImage background;
};

void WheelPicturesTest::initTestCase()
{
    background = wheelBackground();
}

void WheelPicturesTest::backgroundCoversTheWindow()
{
    QCOMPARE(background.size(), QSize(518, 365));
    QVERIFY(!background.hasAlphaChannel());
    // Image1 is 7770 x 5475 twips at (-120, -120); the client area is 7635 x 5160.
    QCOMPARE(backgroundPixel(QPointF(-120, -120)), QPointF(0, 0));
    QCOMPARE(backgroundPixel(QPointF(7650, 5355)), QPointF(518, 365));
    QVERIFY(QRectF(background.rect()).contains(backgroundPixel(QPointF(7635, 5160))));
}

// Checks the middle of every label box, not only its centre point, so that a number never sits
// on a border between two sectors.
void WheelPicturesTest::sectorUnderEachLabelHasTheSlotColour()
{
    for (int k = 0; k < SlotCount; ++k) {
        const WheelSlot& slot = WheelSlots[k];
        const QColor expected = sectorColour(slot.colour);
        const QPoint centre = backgroundPixel(labelCentreTwips(slot)).toPoint();
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                const QColor seen = background.pixelColor(centre + QPoint(dx, dy));
                QVERIFY2(seen == expected,
                         qPrintable(QString("slot %1 at %2,%3: %4, expected %5")
                                        .arg(k)
                                        .arg(centre.x() + dx)
                                        .arg(centre.y() + dy)
                                        .arg(seen.name(), expected.name())));
            }
        }
    }
    QVERIFY(looksRed(sectorColour(SlotColour::Red).rgb()));
    QVERIFY(looksWhite(sectorColour(SlotColour::White).rgb()));
}

// The buttons, the help box and the "Roulette" label stand from x = 5160 twips on.
void WheelPicturesTest::rightPartOfTheWindowIsPlainTable()
{
    const int firstColumn = qFloor(backgroundPixel(QPointF(5160, 0)).x());
    for (int y = 0; y < background.height(); ++y) {
        for (int x = firstColumn; x < background.width(); ++x) {
            const QRgb c = background.pixel(x, y);
            QVERIFY2(!looksRed(c) && !looksWhite(c), qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }
}

void WheelPicturesTest::markerIsABallWithTransparentCorners()
{
    const QImage marker = markerImage();
    QCOMPARE(marker.size(), QSize(32, 37));
    QVERIFY(marker.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 36), QPoint(31, 36)})
        QCOMPARE(qAlpha(marker.pixel(corner)), 0);
    // Where the number is drawn over it, the ball is opaque and light enough for dark digits.
    const QColor middle = marker.pixelColor(16, 22);
    QCOMPARE(middle.alpha(), 255);
    QVERIFY(middle.lightness() > 150);
}

void WheelPicturesTest::windowIconIsSmall()
{
    const QIcon icon = windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
}

QTEST_MAIN(WheelPicturesTest)
#include "WheelPicturesTest.moc"
