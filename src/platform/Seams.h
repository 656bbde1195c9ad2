#pragma once
// Everything a test would otherwise need a person or the wall clock for goes through one of
// these small interfaces. The program uses the Qt implementations (QtSeams.h); tests hand the
// forms scripted ones.

#include <QDateTime>
#include <QString>
#include <QUrl>

class QWidget;

// The program's application title: message boxes without a title of their own carry it.
inline const QString ApplicationTitle = QStringLiteral("rudiv");

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal message box with exactly this title (an empty one leaves the title bar
    // blank) and returns the button pressed.
    virtual MessageAnswer showTitled(QWidget* parent, const QString& text, const QString& title,
                                     MessageButtons buttons, MessageIcon icon) = 0;

    // As showTitled, but an empty title means the application title.
    MessageAnswer show(QWidget* parent, const QString& text, const QString& title, MessageButtons buttons,
                       MessageIcon icon)
    {
        return showTitled(parent, text, title.isEmpty() ? ApplicationTitle : title, buttons, icon);
    }

    void inform(QWidget* parent, const QString& text, const QString& title = {})
    {
        show(parent, text, title, MessageButtons::Ok, MessageIcon::Information);
    }
    void warn(QWidget* parent, const QString& text, const QString& title = {})
    {
        show(parent, text, title, MessageButtons::Ok, MessageIcon::Warning);
    }
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // The next value in [0, 1).
    virtual double next() = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Opens the address in the desktop's browser; false when no browser could be started.
    virtual bool open(const QUrl& url) = 0;
};

// The set handed to every form.
struct Seams {
    MessageBoxes& messages;
    Clock& clock;
    RandomSource& random;
    Beeper& beeper;
    UrlOpener& browser;
};
