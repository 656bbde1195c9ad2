#include "platform/TextBoxes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextLayout>

namespace {

// Whether the text, broken into lines as a plain text box breaks it, fits the room.
bool fits(const QString& text, const QFont& font, QSizeF room)
{
    QString lines = text;
    lines.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(lines, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(room.width());
        height += line.height();
    }
    layout.endLayout();
    return height <= room.height();
}

}  // namespace

void showStartOfSetTexts(QLineEdit& box)
{
    // Setting a text puts the caret at its end even when the text is the one already shown, so
    // the caret is watched rather than the text. Only the program moves the caret of a box that
    // is not where its window's keys go (while the window is inactive, too).
    QObject::connect(&box, &QLineEdit::cursorPositionChanged, &box, [&box] {
        if (!box.hasFocus() && box.window()->focusWidget() != &box)
            box.setCursorPosition(0);
    });
}

void showWholeTexts(QPlainTextEdit& box, double smallestPoints)
{
    const double ownPoints = box.font().pointSizeF();
    QObject::connect(&box, &QPlainTextEdit::textChanged, &box, [&box, ownPoints, smallestPoints] {
        const qreal margin = box.document()->documentMargin();
        const QSizeF room = QSizeF(box.contentsRect().size()) - QSizeF(2 * margin, 2 * margin);
        QFont font = box.font();
        for (double points = ownPoints; points >= smallestPoints; points -= 0.25) {
            font.setPointSizeF(points);
            if (fits(box.toPlainText(), font, room))
                break;
        }
        box.setFont(font);
    });
}
