#pragma once
// Fixed-width byte fields of the record files and the small text rules that go with them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace textfields {

// The code page 932 bytes of text, cut to at most maxBytes without splitting a double-byte
// character (a character that would straddle the end is dropped whole).
QByteArray cutBytes(QStringView text, qsizetype maxBytes);
// The same cut of bytes already in code page 932.
QByteArray cutEncoded(const QByteArray& bytes, qsizetype maxBytes);

// Appends the code page 932 bytes of text cut as by cutBytes, then padded with ASCII spaces to
// exactly width bytes.
void appendFixedField(QByteArray& out, QStringView text, qsizetype width);

// bytes without the spaces at their end, but never shorter than keep bytes (or all of them).
QByteArrayView withoutPadding(QByteArrayView bytes, qsizetype keep);

// text with every line end, a CR LF, a lone CR or a lone LF, written as CR LF.
QString withCrLf(QStringView text);

// Removes leading and trailing spaces (code 32) only; tabs, line breaks and U+3000 stay.
QString trimSpaces(QStringView text);

// Whether text holds CR, LF or NUL: what would end a header, a protocol command or a stored
// line early (other readers end a value at a NUL).
bool hasLineBreakOrNul(QStringView text);

}  // namespace textfields
