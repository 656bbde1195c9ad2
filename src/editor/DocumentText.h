#pragma once
// How the editor's text lives in rtfEd. The files keep lines ending in CR LF; the text box
// keeps one paragraph per such line. A lone LF inside a line (a file with LF line ends read
// line by line) is shown as a line break within the paragraph, as is a break typed with
// Shift+Enter. Every line end written goes out as CR LF, these breaks included, since the
// editor's files have no other line end. Positions count one character per line end either
// way, which is what the find commands select by.

#include <QString>
#include <QStringView>

class QTextCursor;
class QTextEdit;

namespace editor {

// Replaces the text of the box with text in the stored form (CR LF or lone CR ends a line,
// a lone LF stays inside its line).
void setStoredText(QTextEdit* box, const QString& text);

// The text of the box in the stored form: CR LF after every line and every break within one.
QString storedText(const QTextEdit* box);

// The text of the box as searched: one character per line end, as selections count it.
QString searchedText(const QTextEdit* box);

// The selection as plain desktop text, each line end an LF.
QString plainSelection(const QTextCursor& cursor);

// Text as read line by line: a line ends at CR LF or at a lone CR, and every line, the last
// one included, is followed by CR LF. An LF alone stays part of its line; empty text stays
// empty.
QString linesEndingInCrLf(QStringView text);

}  // namespace editor
