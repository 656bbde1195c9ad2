#pragma once
// Strict ISO-2022-JP (RFC 1468) for outgoing mail: ASCII and the characters of JIS X 0208, as
// every reader maps them. Text that holds anything else (NEC row 13 such as ①, IBM extensions
// such as 髙, half-width katakana, JIS X 0212, or the Windows code points for the wave dash,
// minus and friends, which readers would turn into their JIS X 0208 look-alikes) does not fit
// and goes out in another charset.

#include <QByteArray>
#include <QStringView>

#include <optional>

namespace nmail::iso2022jp {

// The ISO-2022-JP bytes of text, or nullopt when a character does not fit. Every run of
// JIS X 0208 is switched back to ASCII before a control character (CR and LF included) and at
// the end, so each line, and each piece encoded on its own, ends in ASCII. ESC, SO and SI do
// not fit: they would be read as switches.
std::optional<QByteArray> encode(QStringView text);

// True when encode(text) succeeds.
bool holds(QStringView text);

}  // namespace nmail::iso2022jp
