#pragma once
// Seams for benchmarks that open windows: no person answers, so message boxes say Cancel at
// once; the clock, the random source, the beep and the browser do nothing.

#include "platform/Seams.h"

class NoMessages final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget*, const QString&, const QString&, MessageButtons, MessageIcon) override
    {
        return MessageAnswer::Cancel;
    }
};
class NoClock final : public Clock {
public:
    QDateTime now() const override { return {}; }
};
class NoRandom final : public RandomSource {
public:
    double next() override { return 0.0; }
};
class NoBeep final : public Beeper {
public:
    void beep() override {}
};
class NoBrowser final : public UrlOpener {
public:
    bool open(const QUrl&) override { return false; }
};

struct SilentSeams {
    NoMessages messages;
    NoClock clock;
    NoRandom random;
    NoBeep beeper;
    NoBrowser browser;

    Seams seams() { return Seams{messages, clock, random, beeper, browser}; }
};
