#pragma once
// Window placement shared by every form.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Centres a top-level window on the screen it will appear on.
inline void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}
