#pragma once
// Header text for outgoing mail: RFC 2047 encoded words (ISO-2022-JP when every character fits
// it, UTF-8 otherwise) and RFC 2231 parameter values. VMime 0.9.2 cannot read back its own
// ISO-2022-JP header words, so outgoing headers are encoded here.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace nmail {

// Unstructured text (a subject, a display name) as it goes after "Name: ". Plain ASCII stays as
// it is; anything else becomes encoded words of at most 75 characters, folded onto
// continuation lines, each word starting and ending in ASCII so readers can decode them alone.
QByteArray encodeWords(QStringView text);

// An address as the user wrote it ("addr" or "Name <addr>"), the name encoded as words.
QByteArray encodeAddress(QStringView address);

// The bare address inside "Name <addr>", or the trimmed text.
QString bareAddress(QStringView address);

// name*0*=UTF-8''...; name*1*=... (RFC 2231), split into pieces that keep lines short.
QByteArray rfc2231Parameter(const char* name, QStringView value);

}  // namespace nmail
