#pragma once
// Printing the editor's text: plain lines in the editor's font, a new page when one is full,
// long lines cut at the page edge rather than wrapped.

#include <QStringList>

class QFont;
class QPrinter;

namespace editor {

class EditorDialogs;

// The printout's font: the editor font's family, size, bold and italic; never underlined.
QFont printerFont(const QFont& editorFont);

// Prints the lines once for every copy the printer was set to, each copy as a job of its own
// (announced to dialogs before it begins). Stops quietly at the first job that fails.
void printCopies(QPrinter& printer, const QStringList& lines, const QFont& font, EditorDialogs& dialogs);

}  // namespace editor
