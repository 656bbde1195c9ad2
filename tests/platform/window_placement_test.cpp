// Where a window opened from another goes: beside it when the screen has room, else where the
// opener's buttons stay uncovered, always on the screen.

#include "platform/WindowPlacement.h"

#include <QTest>

namespace {

const QRect Screen(0, 0, 1024, 768);

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void besideTheOpenerWhereThereIsRoom_data()
    {
        QTest::addColumn<QRect>("opener");
        QTest::addColumn<QPoint>("placed");
        // The settings chooser in the middle: its ID/PASS window goes to its right.
        QTest::newRow("right") << QRect(407, 330, 215, 60) << QPoint(630, 330);
        QTest::newRow("below, at the right edge") << QRect(800, 100, 224, 60) << QPoint(800, 168);
        QTest::newRow("left, at the bottom right") << QRect(800, 700, 224, 68) << QPoint(582, 688);
        QTest::newRow("above, in the bottom corner of a narrow screen")
            << QRect(0, 600, 1024, 168) << QPoint(0, 512);
    }
    void besideTheOpenerWhereThereIsRoom()
    {
        QFETCH(QRect, opener);
        QFETCH(QPoint, placed);
        const QSize frame(210, 80);
        QCOMPARE(placementFor(frame, opener, {}, Screen), placed);
        QVERIFY(!QRect(placed, frame).intersects(opener));
    }

    // The history window is larger than the room beside the centred main window: it goes where
    // the main window's buttons (受信 among them, on its right side) stay in reach.
    void whereTheOpenersButtonsStayUncovered()
    {
        const QRect main(257, 212, 509, 344);
        const QList<QRect> buttons = {QRect(630, 440, 90, 25), QRect(650, 230, 90, 25), QRect(700, 480, 57, 17)};
        const QSize viewer(630, 500);
        const QPoint placed = placementFor(viewer, main, buttons, Screen);
        for (const QRect& button : buttons)
            QVERIFY(!QRect(placed, viewer).intersects(button));
        QVERIFY(Screen.contains(QRect(placed, viewer)));
    }

    // With nothing better, the window cascades from the opener's corner, leaving its caption in
    // reach, and a window larger than the room left is kept on the screen.
    void cascadesAndStaysOnTheScreen()
    {
        const QRect opener(0, 0, 1024, 768);
        QCOMPARE(placementFor(QSize(300, 200), opener, {}, Screen), QPoint(32, 32));
        QCOMPARE(placementFor(QSize(1000, 760), QRect(100, 100, 900, 600), {}, Screen), QPoint(24, 8));
    }
};

QTEST_APPLESS_MAIN(WindowPlacementTest)
#include "window_placement_test.moc"
