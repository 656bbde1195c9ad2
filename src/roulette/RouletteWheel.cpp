#include "roulette/RouletteWheel.h"

#include "platform/Seams.h"
#include "roulette/WheelSlots.h"

#include <cmath>

namespace roulette {

namespace {

// Int(Rnd * span) + base: a whole number from base to base + span - 1.
qint16 drawCount(RandomSource& random, int span, int base)
{
    return static_cast<qint16>(static_cast<int>(std::floor(random.next() * span)) + base);
}

}  // namespace

int RouletteWheel::start(RandomSource& random)
{
    // The order of the three draws matters: a replayed sequence must give the same spin.
    FastSteps = drawCount(random, 20, 20);
    MediumSteps = drawCount(random, 10, 20);
    SlowSteps = drawCount(random, 5, 10);
    return FastIntervalMs;
}

TickResult RouletteWheel::tick()
{
    if (FastSteps > 0)
        return step(FastSteps, MediumIntervalMs);
    if (MediumSteps > 0)
        return step(MediumSteps, SlowIntervalMs);
    if (SlowSteps > 0)
        return step(SlowSteps, FastIntervalMs);
    TickResult idle;
    idle.enableStart = true;
    return idle;
}

TickResult RouletteWheel::step(qint16& counter, int intervalWhenDone)
{
    TickResult result;
    result.hideSlot = BallPosition;
    BallPosition = static_cast<qint16>((BallPosition + 1) % SlotCount);
    result.showSlot = BallPosition;
    --counter;
    if (counter == 0)
        result.intervalMs = intervalWhenDone;
    return result;
}

}  // namespace roulette
