#pragma once
// ISO-2022-JP as Japanese mailers really write it: JIS X 0208 with the NEC and IBM extensions of
// code page 932 (Windows-style encoders), half-width katakana (ESC ( I, SO/SI), JIS X 0212
// (including the user rows eucJP-ms style encoders fill with the IBM extensions, such as 髙)
// and JIS X 0213 where its characters are JIS X 0208's.

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace nmail::charsets {

// True when bytes switch to a double-byte JIS set or to JIS katakana and hold nothing but 7-bit
// codes: text that can only be ISO-2022-JP, whatever its label says.
bool looksLikeIso2022Jp(QByteArrayView bytes);

// Decodes ISO-2022-JP. Never fails on a bad character: each one that cannot be read becomes one
// U+FFFD, counted in undecodable. nullopt when the text designates a set this decoder does not
// know (the Chinese, Korean and Latin sets of ISO-2022-JP-2): the caller hands it to a general
// converter, and what undecodable counted so far is of no use.
std::optional<QString> decodeIso2022Jp(QByteArrayView bytes, int& undecodable);

}  // namespace nmail::charsets
