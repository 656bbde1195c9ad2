#pragma once

#include <QLineEdit>
#include <QPoint>

// Whether a one-line box shows the start of its text: the character drawn at its left edge is
// the first one. Grabbing the box draws it, which is when it scrolls to its caret.
inline bool showsItsStart(QLineEdit* box)
{
    box->grab();
    return box->cursorPositionAt(QPoint(4, box->height() / 2)) == 0;
}
