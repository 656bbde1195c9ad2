#pragma once
// Code page 932 (the Windows dialect of Shift_JIS): the encoding of every stored file and of
// every text handed to the mail library. Qt's "Shift_JIS" codec is backed by ICU's Windows-932
// table on our platform; this wrapper adds what that codec gets wrong for us.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace cp932 {

// Encodes text to code page 932. JIS-style code points that 932 holds at another code point
// are mapped to it first (U+301C→U+FF5E, U+2016→U+2225, U+2212→U+FF0D, U+00A2→U+FFE0,
// U+00A3→U+FFE1, U+00AC→U+FFE2, U+2014→U+2015): the same character, so nothing is lost. A
// character 932 does not hold at all is written as its nearest look-alike where one exists
// (¥→￥, é→e, ©→(C), a no-break space→a space; invisible format characters such as U+200B are
// left out), and otherwise as "〓" (81 AC), the customary mark of a missing character: one
// for each character as a reader sees it, so an emoji with its modifiers or a flag is one
// mark. ASCII, controls included, maps to itself. inexact, when given, receives the number of
// characters written as a look-alike, a "〓" or nothing: 0 means the text decodes back as it
// was (up to the JIS mapping above).
QByteArray encode(QStringView text, qsizetype* inexact = nullptr);

// The stand-in for a character code page 932 cannot hold: "〓".
inline constexpr char16_t StandIn = u'\u3013';

// Decodes code page 932 bytes. Every byte sequence that is no character of 932 becomes "?": a
// lead byte without a valid trail byte (also a lone lead byte at the end of the input, which
// would otherwise vanish), the undefined single bytes 80, A0, FD to FF, and unassigned pairs.
// Where 932 holds a character twice (NEC and IBM extensions), decoding then encoding gives
// the preferred code, as the platform's own conversion does.
QString decode(QByteArrayView bytes);

// True when the byte starts a double-byte character in code page 932.
inline bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace cp932
