// The wheel's counters and steps: the three draws, a whole spin tick by tick, a restart in the
// middle of a spin, the wrap from slot 15 to slot 0 and the idle wheel.

#include "roulette/RouletteWheel.h"

#include "ScriptedSeams.h"

#include <QMap>
#include <QTest>

using roulette::RouletteWheel;
using roulette::TickResult;

namespace {

constexpr double AlmostOne = 0.9999999;

ReplayRandom randomOf(const QList<double>& values)
{
    ReplayRandom random;
    random.values = values;
    return random;
}

// Ticks a started wheel until it asks for the Start button, and checks every tick on the way:
// one slot further each step, the interval changing only at the end of each phase, Start
// enabled only on the tick after the last step.
void checkSpin(RouletteWheel& wheel, int startSlot, int fast, int medium, int slow)
{
    const int steps = fast + medium + slow;
    const QMap<int, int> expectedChanges{{fast, 150}, {fast + medium, 300}, {steps, 100}};
    QMap<int, int> changes;
    int slot = startSlot;
    for (int step = 1; step <= steps; ++step) {
        const TickResult tick = wheel.tick();
        QVERIFY2(tick.stepped(), qPrintable(QString("step %1").arg(step)));
        QCOMPARE(*tick.hideSlot, slot);
        slot = (slot + 1) % 16;
        QCOMPARE(*tick.showSlot, slot);
        QVERIFY(!tick.enableStart);
        if (tick.intervalMs)
            changes.insert(step, *tick.intervalMs);
    }
    QCOMPARE(changes, expectedChanges);
    const TickResult after = wheel.tick();
    QVERIFY(!after.stepped());
    QVERIFY(after.enableStart);
    QVERIFY(!after.intervalMs);
    QCOMPARE(wheel.BallPosition, (startSlot + steps) % 16);
}

}  // namespace

class RouletteWheelTest : public QObject {
    Q_OBJECT

private slots:
    void drawsTheThreeCountsInOrder_data();
    void drawsTheThreeCountsInOrder();
    void fullSpinStepsSlowsDownAndStops_data();
    void fullSpinStepsSlowsDownAndStops();
    void restartKeepsTheMarkerAndReplacesTheCounts_data();
    void restartKeepsTheMarkerAndReplacesTheCounts();
    void markerWrapsFromLastSlotToFirst();
    void idleWheelKeepsEnablingStart();
};

void RouletteWheelTest::drawsTheThreeCountsInOrder_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("fast");
    QTest::addColumn<int>("medium");
    QTest::addColumn<int>("slow");
    QTest::newRow("lowest") << QList<double>{0.0} << 20 << 20 << 10;
    QTest::newRow("highest") << QList<double>{AlmostOne} << 39 << 29 << 14;
    QTest::newRow("fast, medium, slow") << QList<double>{0.5, 0.0, AlmostOne} << 30 << 20 << 14;
    QTest::newRow("whole part only") << QList<double>{0.049, 0.099, 0.199} << 20 << 20 << 10;
    QTest::newRow("one step up") << QList<double>{0.05, 0.1, 0.2} << 21 << 21 << 11;
}

void RouletteWheelTest::drawsTheThreeCountsInOrder()
{
    QFETCH(QList<double>, values);
    QFETCH(int, fast);
    QFETCH(int, medium);
    QFETCH(int, slow);
    ReplayRandom random = randomOf(values);
    RouletteWheel wheel;
    QCOMPARE(wheel.start(random), 100);
    QCOMPARE(random.position, 3);
    QCOMPARE(wheel.FastSteps, fast);
    QCOMPARE(wheel.MediumSteps, medium);
    QCOMPARE(wheel.SlowSteps, slow);
    QCOMPARE(wheel.BallPosition, 0);
}

void RouletteWheelTest::fullSpinStepsSlowsDownAndStops_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("startSlot");
    QTest::addColumn<int>("fast");
    QTest::addColumn<int>("medium");
    QTest::addColumn<int>("slow");
    QTest::newRow("shortest from slot 0") << QList<double>{0.0} << 0 << 20 << 20 << 10;
    QTest::newRow("longest from slot 0") << QList<double>{AlmostOne} << 0 << 39 << 29 << 14;
    QTest::newRow("middle from slot 7") << QList<double>{0.5} << 7 << 30 << 25 << 12;
}

void RouletteWheelTest::fullSpinStepsSlowsDownAndStops()
{
    QFETCH(QList<double>, values);
    QFETCH(int, startSlot);
    QFETCH(int, fast);
    QFETCH(int, medium);
    QFETCH(int, slow);
    ReplayRandom random = randomOf(values);
    RouletteWheel wheel;
    wheel.BallPosition = static_cast<qint16>(startSlot);
    wheel.start(random);
    checkSpin(wheel, startSlot, fast, medium, slow);
    QCOMPARE(wheel.FastSteps + wheel.MediumSteps + wheel.SlowSteps, 0);
}

void RouletteWheelTest::restartKeepsTheMarkerAndReplacesTheCounts_data()
{
    QTest::addColumn<int>("ticksBefore");
    QTest::newRow("straight after the first start") << 0;
    QTest::newRow("in the fast phase") << 7;
    QTest::newRow("in the medium phase") << 25;
    QTest::newRow("in the slow phase") << 45;
}

void RouletteWheelTest::restartKeepsTheMarkerAndReplacesTheCounts()
{
    QFETCH(int, ticksBefore);
    ReplayRandom first = randomOf({0.0});
    RouletteWheel wheel;
    wheel.start(first);
    for (int i = 0; i < ticksBefore; ++i)
        wheel.tick();
    QCOMPARE(wheel.BallPosition, ticksBefore % 16);
    ReplayRandom second = randomOf({AlmostOne});
    QCOMPARE(wheel.start(second), 100);
    QCOMPARE(wheel.BallPosition, ticksBefore % 16);
    checkSpin(wheel, ticksBefore % 16, 39, 29, 14);
}

void RouletteWheelTest::markerWrapsFromLastSlotToFirst()
{
    ReplayRandom random = randomOf({0.0});
    RouletteWheel wheel;
    wheel.start(random);
    const TickResult first = wheel.tick();
    QCOMPARE(*first.hideSlot, 0);
    QCOMPARE(*first.showSlot, 1);
    for (int i = 0; i < 14; ++i)
        wheel.tick();
    QCOMPARE(wheel.BallPosition, 15);
    const TickResult wrap = wheel.tick();
    QCOMPARE(*wrap.hideSlot, 15);
    QCOMPARE(*wrap.showSlot, 0);
    QCOMPARE(wheel.BallPosition, 0);
}

void RouletteWheelTest::idleWheelKeepsEnablingStart()
{
    RouletteWheel wheel;
    ReplayRandom random = randomOf({0.0});
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 5; ++i) {
            const TickResult idle = wheel.tick();
            QVERIFY(!idle.stepped());
            QVERIFY(!idle.hideSlot);
            QVERIFY(!idle.intervalMs);
            QVERIFY(idle.enableStart);
        }
        QCOMPARE(wheel.BallPosition, round * 50 % 16);
        wheel.start(random);
        checkSpin(wheel, wheel.BallPosition, 20, 20, 10);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(RouletteWheelTest)
#include "RouletteWheelTest.moc"
