#pragma once
// The text a person reads in an HTML mail, for a reader that shows plain text only: set as a
// text browser sets a page.

#include <QString>
#include <QStringView>

namespace nmail {

// The width in columns of a fixed-width font that tables are set to fit (the history window's
// text box shows about this much).
inline constexpr int HtmlTextWidth = 76;

// Paragraphs, headings and list items on lines of their own (list items marked "・" or
// numbered), table cells in columns two spaces apart or at least apart, each link's target in
// angle brackets after its text (unless the text already is the address), images by their alt
// text, preformatted text as written, a rule for <hr>. Scripts, styles, comments and the head
// are left out; character references are resolved; a no-break space becomes a space. Line ends
// are CR LF.
QString htmlToPlainText(QStringView html);

}  // namespace nmail
