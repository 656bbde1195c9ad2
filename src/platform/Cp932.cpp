#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

// The name constructor reaches ICU's Windows-932 table; that table differs from code page 932
// in two ways we correct here. It swaps the controls 1A, 1C and 7F with U+001C, U+007F and
// U+001A (an IBM habit), where 932 maps all of ASCII to itself. And it signals what it cannot
// convert with a substitute (FC FC when encoding, U+001A or U+FFFD when decoding) instead of
// the "?" our files have always carried.

namespace cp932 {
namespace {

constexpr char CodecName[] = "Shift_JIS";

bool isTrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Single bytes that are no character of code page 932 (0x80, 0xA0, 0xFD to 0xFF).
bool isUndefinedSingleByte(unsigned char byte)
{
    return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

// Code points that JIS-minded software produces for characters 932 holds at another code point.
char16_t lookAlike(char16_t ch)
{
    switch (ch) {
    case u'\u301C': return u'\uFF5E';
    case u'\u2016': return u'\u2225';
    case u'\u2212': return u'\uFF0D';
    case u'\u00A2': return u'\uFFE0';
    case u'\u00A3': return u'\uFFE1';
    case u'\u00AC': return u'\uFFE2';
    case u'\u2014': return u'\u2015';
    default: return ch;
    }
}

// What to hand ICU for a control it swaps, so that the control itself comes out.
char16_t controlForIcuEncode(char16_t ch)
{
    switch (ch) {
    case 0x1A: return 0x1C;
    case 0x1C: return 0x7F;
    case 0x7F: return 0x1A;
    default: return ch;
    }
}

char controlForIcuDecode(char byte)
{
    switch (byte) {
    case 0x1A: return 0x7F;
    case 0x1C: return 0x1A;
    case 0x7F: return 0x1C;
    default: return byte;
    }
}

// Replaces each FC FC character (ICU's substitute; unassigned in 932) with "?". The input is
// ICU's own output, so it is well formed and a lead byte is always followed by its trail byte.
QByteArray replaceSubstitutes(const QByteArray& encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(encoded[i]);
        if (!isLeadByte(byte) || i + 1 >= encoded.size()) {
            out.append(encoded[i]);
            continue;
        }
        const auto trail = static_cast<unsigned char>(encoded[i + 1]);
        if (byte == 0xFC && trail == 0xFC)
            out.append('?');
        else
            out.append(encoded.constData() + i, 2);
        ++i;
    }
    return out;
}

// Rewrites the input in place so that ICU sees only well-formed characters: every byte that
// starts no character (a lead byte without a valid trail byte, also at the very end, or an
// undefined single byte) becomes "?", and the swapped controls are pre-swapped.
void prepareForIcu(QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (isLeadByte(byte)) {
            if (i + 1 < bytes.size() && isTrailByte(static_cast<unsigned char>(bytes[i + 1])))
                ++i;
            else
                bytes[i] = '?';
        } else if (isUndefinedSingleByte(byte)) {
            bytes[i] = '?';
        } else {
            bytes[i] = controlForIcuDecode(bytes[i]);
        }
    }
}

qsizetype characterCount(const QByteArray& encoded)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < encoded.size(); i += isLeadByte(static_cast<unsigned char>(encoded[i])) ? 2 : 1)
        ++count;
    return count;
}

// A surrogate pair is one code point; a lone surrogate counts as one too (it becomes "?").
qsizetype codePointCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) {
            --count;
            ++i;
        }
    }
    return count;
}

// ICU drops some characters it cannot convert without a trace instead of substituting them
// (default-ignorable ones such as U+FEFF, U+200B or U+00AD, and a lone high surrogate at the
// end); a field would silently lose them. Converting one code point at a time shows which ones
// vanished, and each becomes "?" like any other character 932 lacks.
QByteArray encodeEach(QStringView prepared)
{
    QByteArray out;
    out.reserve(prepared.size());
    for (qsizetype i = 0; i < prepared.size(); ++i) {
        const bool pair = i + 1 < prepared.size() && prepared[i].isHighSurrogate()
            && prepared[i + 1].isLowSurrogate();
        QStringEncoder encoder(CodecName);
        const QByteArray one = encoder.encode(prepared.sliced(i, pair ? 2 : 1));
        out += (one.isEmpty() || encoder.hasError()) ? QByteArray("?") : one;
        i += pair ? 1 : 0;
    }
    return out;
}

}  // namespace

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

QByteArray encode(QStringView text)
{
    // ASCII is itself in code page 932; most fields and many whole mails are nothing else.
    if (std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
        return text.toLatin1();

    QString prepared(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(prepared.data());
    for (const QChar ch : text)
        *out++ = controlForIcuEncode(lookAlike(ch.unicode()));

    // As for decoding, one converter per thread: setting one up costs more than most texts.
    thread_local QStringEncoder encoder(CodecName);
    encoder.resetState();
    const QByteArray encoded = encoder.encode(prepared);
    if (characterCount(encoded) != codePointCount(prepared))
        return encodeEach(prepared);
    return encoder.hasError() ? replaceSubstitutes(encoded) : encoded;
}

QString decode(QByteArrayView bytes)
{
    // Code page 932 maps all of ASCII to itself, and most stored fields (dates, addresses,
    // padding) are nothing else: those need no converter, which costs far more to set up than
    // the copy. Loading a long history decodes tens of thousands of such fields.
    if (std::all_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
        return QString::fromLatin1(bytes);

    QByteArray prepared = bytes.toByteArray();
    prepareForIcu(prepared);

    // Setting up a converter costs more than converting a field, so each thread keeps one. The
    // prepared input always ends on a whole character, which leaves no state behind.
    thread_local QStringDecoder decoder(CodecName);
    decoder.resetState();
    QString text = decoder.decode(prepared);
    // A well-formed pair that 932 leaves unassigned comes back as U+FFFD.
    text.replace(QChar(QChar::ReplacementCharacter), QLatin1Char('?'));
    return text;
}

}  // namespace cp932
