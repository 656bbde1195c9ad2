#pragma once
// The real implementations of the seams, used by the running program.

#include "platform/Seams.h"

#include <random>

class QtMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget* parent, const QString& text, const QString& title,
                             MessageButtons buttons, MessageIcon icon) override;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Seeded once from the system timer, as the wheel and the fortune draw expect a new sequence
// every run.
class TimerSeededRandom final : public RandomSource {
public:
    TimerSeededRandom();
    double next() override;

private:
    std::mt19937_64 engine_;
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

class SystemBeeper final : public Beeper {
public:
    void beep() override;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

// Owns one of each, for main().
struct QtSeams {
    QtMessageBoxes messages;
    SystemClock clock;
    TimerSeededRandom random;
    SystemBeeper beeper;
    DesktopUrlOpener browser;

    Seams seams() { return Seams{messages, clock, random, beeper, browser}; }
};
