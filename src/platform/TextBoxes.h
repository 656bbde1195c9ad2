#pragma once
// How text boxes that the program fills show texts too long for them, and how captions that
// cannot grow are fitted.

#include <QFont>

class QLineEdit;
class QPlainTextEdit;

// The font half a point smaller. The substituted Japanese font is wider and taller than the one
// the windows were designed for; a caption with no room to grow is drawn in this, which keeps
// it close to the designed size.
inline QFont halfPointSmaller(QFont font)
{
    font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

// A one-line box shows the start of a value it cannot hold whole, as one reads it: a date shows
// its weekday and day, not only the time zone at its end. (Qt puts the caret, and with it the
// view, at the end of every text set.) While the box has the focus, the caret is the user's.
void showStartOfSetTexts(QLineEdit& box);

// A read-only box draws a text that does not fit at its own font smaller, in quarter points
// down to smallestPoints, so that it shows whole without scrolling; texts that fit keep the
// box's font. A text too long even then can still be scrolled.
void showWholeTexts(QPlainTextEdit& box, double smallestPoints);
