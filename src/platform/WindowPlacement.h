#pragma once
// Window placement shared by every form.

#include <QList>
#include <QPoint>
#include <QRect>

class QWidget;

// Centres a top-level window on the screen it will appear on.
void centreOnScreen(QWidget& window);

// Moves a top-level window back inside its screen, as little as it takes.
void keepOnScreen(QWidget& window);

// Places a top-level window opened from opener so that the opener stays usable: beside it
// where the screen has room (to the right, below, to the left, above), else where it leaves
// most of the opener's buttons uncovered and covers least of it, cascading from the opener's
// corner when that is as good. Always within the screen.
void placeFrom(QWidget& window, const QWidget& opener);

// The frame position placeFrom chooses for a window frame of the given size, opened from an
// opener with that frame and those buttons (screen coordinates), on that screen.
QPoint placementFor(QSize frame, const QRect& opener, const QList<QRect>& openerButtons, const QRect& screen);
