// libFuzzer target: code page 932 in both directions. The input is read once as bytes (decoded)
// and once as UTF-16 (encoded, lone surrogates included). What must hold:
// - decoding yields whole characters only: no surrogate, no U+FFFD, and encoding the text again
//   gives well-formed code page 932 of at most as many bytes, which decodes to the same text;
// - encoding yields well-formed code page 932 (every lead byte with a trail byte, no FC FC
//   substitute) with one character for each code point, ASCII unchanged;
// - a cut never ends on half a character and is the longest such prefix.

#include "FuzzCheck.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QList>

#include <cstdint>

namespace {

bool isTrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The characters of well-formed code page 932, or an abort when it is not well formed.
QList<QByteArray> characters(const QByteArray& bytes)
{
    QList<QByteArray> chars;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = cp932::isLeadByte(byte) ? 2 : 1;
        FUZZ_CHECK(i + length <= bytes.size());
        if (length == 2) {
            FUZZ_CHECK(isTrailByte(static_cast<unsigned char>(bytes[i + 1])));
            FUZZ_CHECK(!(byte == 0xFC && static_cast<unsigned char>(bytes[i + 1]) == 0xFC));
        }
        chars.append(bytes.sliced(i, length));
        i += length;
    }
    return chars;
}

void checkDecode(QByteArrayView bytes)
{
    const QString text = cp932::decode(bytes);
    for (const QChar ch : text)
        FUZZ_CHECK(!ch.isSurrogate() && ch != QChar(QChar::ReplacementCharacter));
    const QByteArray again = cp932::encode(text);
    FUZZ_CHECK(again.size() <= bytes.size());
    FUZZ_CHECK(characters(again).size() == text.size());
    FUZZ_CHECK(cp932::decode(again) == text);
}

void checkEncode(QStringView text, qsizetype cut)
{
    const QByteArray bytes = cp932::encode(text);
    const QList<QByteArray> chars = characters(bytes);
    const QList<uint> codePoints = text.toUcs4();
    FUZZ_CHECK(chars.size() == codePoints.size());
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (codePoints[i] < 0x80)
            FUZZ_CHECK(chars[i] == QByteArray(1, static_cast<char>(codePoints[i])));
    }

    const QByteArray prefix = textfields::cutBytes(text, cut);
    FUZZ_CHECK(bytes.startsWith(prefix) && prefix.size() <= cut);
    characters(prefix);  // whole characters only
    // One more character would not have fitted.
    if (prefix.size() < bytes.size())
        FUZZ_CHECK(prefix.size() + (cp932::isLeadByte(static_cast<unsigned char>(bytes[prefix.size()])) ? 2 : 1) > cut);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkDecode(bytes);
    const QStringView utf16(reinterpret_cast<const char16_t*>(data), static_cast<qsizetype>(size / 2));
    checkEncode(utf16, size == 0 ? 0 : data[0] % 64);
    return 0;
}
