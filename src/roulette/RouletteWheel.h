#pragma once
// The roulette's state and its timing, without any window: the main window owns one wheel,
// calls start() from the Start button and from the mail check, and tick() from Timer1, and then
// does what the returned values ask (hide and show markers, beep, set the interval, enable the
// Start button).

#include <QtGlobal>

#include <optional>

class RandomSource;

namespace roulette {

// Milliseconds per step in the three phases; the idle wheel also polls at the fast rate.
inline constexpr int FastIntervalMs = 100;
inline constexpr int MediumIntervalMs = 150;
inline constexpr int SlowIntervalMs = 300;

struct TickResult {
    // Both set when the marker moved one slot: hide Image2(*hideSlot), show Image2(*showSlot)
    // and beep once.
    std::optional<int> hideSlot;
    std::optional<int> showSlot;
    // Set only when the timer's interval changes with this tick.
    std::optional<int> intervalMs;
    // The spin is over: the Start button may be pressed again.
    bool enableStart = false;

    bool stepped() const { return showSlot.has_value(); }
};

class RouletteWheel {
public:
    // Draws new step counts and returns the timer interval to run at. The caller disables the
    // Start button and (re)starts its timer. During a spin the counts are replaced and the
    // marker carries on from where it stands.
    int start(RandomSource& random);

    TickResult tick();

    qint16 BallPosition = 0;
    qint16 FastSteps = 0;
    qint16 MediumSteps = 0;
    qint16 SlowSteps = 0;

private:
    TickResult step(qint16& counter, int intervalWhenDone);
};

}  // namespace roulette
