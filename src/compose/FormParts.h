#pragma once
// Small pieces both sending windows are built from: coloured buttons, the grey panels their
// captions sit on, and the wait cursor of a blocking send.

#include <QApplication>
#include <QColor>
#include <QRect>
#include <QString>

class QFrame;
class QPushButton;
class QWidget;

namespace compose {

// A flat button in the given colour with a raised border, so the colour shows as designed.
void paintButton(QPushButton* button, QColor background);

// A raised grey panel at where (pixels) inside parent.
QFrame* greyPanel(QWidget* parent, QRect where);

// A caption centred on a grey panel at where, as the boxes of the sending windows are labelled.
void captionPanel(QWidget* parent, const QString& caption, QRect where);

// Shows the wait cursor for as long as it lives, so the cursor comes back on every way out.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace compose
