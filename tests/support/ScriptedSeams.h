#pragma once
// Scripted seams for tests: message boxes answer from a queue and record what they showed, the
// clock is set by hand, the random source replays given values, beeps and opened addresses are
// counted.

#include "platform/Seams.h"

#include <QList>
#include <QQueue>
#include <QUrl>

struct ShownMessage {
    QString text;
    QString title;
    MessageButtons buttons;
    MessageIcon icon;
};

class ScriptedMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget*, const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override
    {
        shown.append({text, title, buttons, icon});
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }

    QList<ShownMessage> shown;
    QQueue<MessageAnswer> answers;  // when empty: OK, or Yes for a question
};

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    QDateTime current{QDate(2026, 12, 8), QTime(9, 30, 5)};
};

class ReplayRandom final : public RandomSource {
public:
    double next() override
    {
        const double value = values.isEmpty() ? 0.0 : values.at(position % values.size());
        ++position;
        return value;
    }
    QList<double> values;
    qsizetype position = 0;
};

class CountingBeeper final : public Beeper {
public:
    void beep() override { ++count; }
    int count = 0;
};

class RecordingUrlOpener final : public UrlOpener {
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return succeeds;
    }
    QList<QUrl> opened;
    bool succeeds = true;
};

struct ScriptedSeams {
    ScriptedMessageBoxes messages;
    FixedClock clock;
    ReplayRandom random;
    CountingBeeper beeper;
    RecordingUrlOpener browser;

    Seams seams() { return Seams{messages, clock, random, beeper, browser}; }
};
