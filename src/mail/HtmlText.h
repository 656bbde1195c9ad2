#pragma once
// The text a person reads in an HTML mail, for a reader that shows plain text only.

#include <QString>
#include <QStringView>

namespace nmail {

// Drops tags, scripts, styles and comments, turns block ends and <br> into line breaks and
// resolves character references. Not a renderer: layout and links are lost.
QString htmlToPlainText(QStringView html);

}  // namespace nmail
