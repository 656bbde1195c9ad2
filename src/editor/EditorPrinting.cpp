#include "editor/EditorPrinting.h"

#include "editor/DocumentText.h"
#include "editor/EditorDialogs.h"
#include "editor/TextEditor.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QTextEdit>

namespace editor {

namespace {

bool printJob(QPrinter& printer, const QStringList& lines, const QFont& font)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    const QFontMetricsF metrics = QFontMetricsF(painter.font(), &printer);
    const qreal lineHeight = metrics.lineSpacing();
    const qreal pageHeight = printer.height();
    const qreal pageWidth = printer.width();
    constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs;
    qreal top = 0;
    for (const QString& line : lines) {
        if (top > 0 && top + lineHeight > pageHeight) {
            if (!printer.newPage())
                return false;
            top = 0;
        }
        painter.drawText(QRectF(0, top, pageWidth, lineHeight), flags, line);
        top += lineHeight;
    }
    return painter.end();
}

}  // namespace

QFont printerFont(const QFont& editorFont)
{
    QFont font(editorFont.family());
    font.setPointSizeF(editorFont.pointSizeF());
    font.setBold(editorFont.bold());
    font.setItalic(editorFont.italic());
    return font;
}

void printCopies(QPrinter& printer, const QStringList& lines, const QFont& font, EditorDialogs& dialogs)
{
    // The printer would repeat every job by itself; each copy is made a job of its own instead.
    const int copies = printer.copyCount();
    printer.setCopyCount(1);
    for (int copy = 1; copy <= copies; ++copy) {
        dialogs.startingJob(printer, copy);
        if (!printJob(printer, lines, font))
            return;
    }
}

void TextEditor::Print()
{
    const bool selection = rtfEd_->textCursor().hasSelection();
    const QString text = selection ? printedSelection() : rtfEd_->toPlainText();
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs_->choosePrinter(printer, selection, window_))
        return;
    printCopies(printer, text.split(QLatin1Char('\n')), printerFont(rtfEd_->font()), *dialogs_);
}

QString TextEditor::printedSelection() const
{
    // The selection printed is that of the control with the keyboard focus, normally rtfEd.
    if (const auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
        return box->selectedText();
    return plainSelection(rtfEd_->textCursor());
}

}  // namespace editor
