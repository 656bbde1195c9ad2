#pragma once
// Header text for outgoing mail: plain ASCII folded at its spaces (RFC 5322), or RFC 2047
// encoded words (ISO-2022-JP when every character fits it strictly, UTF-8 otherwise); display
// names as atoms, quoted strings or encoded words; RFC 2231 parameter values. VMime 0.9.2
// cannot read back its own ISO-2022-JP header words, so outgoing headers are encoded here.

#include <QByteArray>
#include <QStringView>

namespace nmail {

// Unstructured text (a subject) as it goes after "Name: ", where nameLength counts "Name: ".
// Printable ASCII stays as it is, folded onto continuation lines at its spaces so that lines
// keep to 78 characters where a space allows it; anything else, and ASCII that cannot be
// folded under 998 bytes a line or would not read back exactly (a leading space, "=?"),
// becomes encoded words of at most 75 characters, one a line, each starting and ending in
// ASCII so that readers decode them one by one.
QByteArray encodeUnstructured(QStringView text, qsizetype nameLength);

// text as encoded words only, joined by folding whitespace (for the old-style name="..."
// parameter that readers without RFC 2231 look at).
QByteArray encodeWords(QStringView text);

// A display name as the phrase before "<address>": atoms as they are, other printable ASCII
// as a quoted string, anything else as encoded words.
QByteArray encodePhrase(QStringView name);

// name*0*=UTF-8''...; name*1*=... (RFC 2231), split into pieces that keep lines short.
QByteArray rfc2231Parameter(const char* name, QStringView value);

}  // namespace nmail
