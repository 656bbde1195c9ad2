#include "platform/Cp932.h"

#include "platform/Cp932Tables.h"

#include <QList>
#include <QStringEncoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <memory>
#include <optional>

// The name constructor reaches ICU's Windows-932 table; that table differs from code page 932
// in two ways we correct here. It swaps the controls 1A, 1C and 7F with U+001C, U+007F and
// U+001A (an IBM habit), where 932 maps all of ASCII to itself. And it signals what it cannot
// convert with a substitute (FC FC when encoding, U+001A or U+FFFD when decoding): decoding
// gives the "?" our files have always carried instead, and encoding a look-alike or "〓".

namespace cp932 {
namespace {

// Code points that JIS-minded software produces for characters 932 holds at another code point.
char16_t jisAlias(char16_t ch)
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

qsizetype characterCount(const QByteArray& encoded)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < encoded.size(); i += isLeadByte(static_cast<unsigned char>(encoded[i])) ? 2 : 1)
        ++count;
    return count;
}

// A surrogate pair is one code point; a lone surrogate counts as one too.
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

// ICU's substitute for a character it cannot convert: unassigned in 932, so never a character.
bool containsSubstitute(const QByteArray& encoded)
{
    for (qsizetype i = 0; i + 1 < encoded.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(encoded[i]))) {
            if (encoded[i] == '\xFC' && encoded[i + 1] == '\xFC')
                return true;
            ++i;
        }
    }
    return false;
}

// The bytes of text when 932 holds every one of its code points. ICU writes its substitute for
// a character it cannot convert, and drops some without a trace (default-ignorable ones such as
// U+FEFF, a lone high surrogate at the end): both show in the output. The converter's own error
// flag cannot tell: resetting its state does not clear it, and the converter of this thread
// serves every text (setting one up costs more than converting most texts).
std::optional<QByteArray> encodeWhole(QStringView text)
{
    thread_local QStringEncoder encoder(tables::CodecName);
    encoder.resetState();
    QByteArray encoded = encoder.encode(text);
    if (containsSubstitute(encoded) || characterCount(encoded) != codePointCount(text))
        return std::nullopt;
    return encoded;
}

// What ICU writes for each unit as encode prepares it (its JIS alias taken, the controls ICU
// swaps pre-swapped), so that the common path is one lookup per unit.
const tables::EncodeTable& preparedEncodeTable()
{
    static const std::unique_ptr<const tables::EncodeTable> table = [] {
        const std::unique_ptr<const tables::EncodeTable> icu = tables::makeEncodeTable();
        auto made = std::make_unique<tables::EncodeTable>();
        for (size_t unit = 0; unit < made->size(); ++unit)
            (*made)[unit] = (*icu)[controlForIcuEncode(jisAlias(char16_t(unit)))];
        return made;
    }();
    return *table;
}

// What ICU gives for text as encode prepares it, when the table knows every unit of the text:
// most texts are characters that 932 holds, and looking each up costs far less than the
// converter's passes.
std::optional<QByteArray> encodeByTable(QStringView text)
{
    const tables::EncodeTable& table = preparedEncodeTable();
    QByteArray encoded(text.size() * 2, Qt::Uninitialized);
    char* out = encoded.data();
    for (const QChar unit : text) {
        const std::uint16_t code = table[unit.unicode()];
        if (code == tables::NotTabled)
            return std::nullopt;
        if (code > 0xFF)
            *out++ = char(code >> 8);
        *out++ = char(code & 0xFF);
    }
    encoded.truncate(out - encoded.constData());
    return encoded;
}

// Look-alikes of characters 932 lacks that decomposition does not find.
QStringView tableLookAlike(char32_t c)
{
    switch (c) {
    case 0x00A5: return u"\uFFE5";  // ¥ → ￥
    case 0x203E: return u"\uFFE3";  // ‾ → ￣
    case 0x00A6: return u"\uFFE4";  // ¦ → ￤
    case 0x2022: case 0x00B7: case 0x2027: case 0x2219: return u"\u30FB";  // bullets → ・
    case 0x00AB: return u"\u226A";  // « → ≪
    case 0x00BB: return u"\u226B";  // » → ≫
    case 0x00A9: return u"(C)";
    case 0x00AE: return u"(R)";
    case 0x2122: return u"TM";
    case 0x2011: case 0x2012: case 0x2013: return u"-";
    case 0x00BC: return u"1/4";
    case 0x00BD: return u"1/2";
    case 0x00BE: return u"3/4";
    default: return {};
    }
}

bool isMark(QChar::Category category)
{
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

// The nearest text 932 holds for a character as a reader sees it (one grapheme cluster), or
// nullopt when there is none. Space separators read as a space and format characters (U+200B,
// U+FEFF, U+00AD …) as nothing; otherwise the compatibility decomposition without its
// combining marks (é → e, ﬁ → fi, ㋿ → 令和, 1️⃣ → 1).
std::optional<QByteArray> lookAlike(QStringView cluster)
{
    const char32_t first = cluster.toUcs4().value(0);
    const QChar::Category category = QChar::category(first);
    if (category == QChar::Separator_Space)
        return QByteArray(" ");
    if (category == QChar::Other_Format || (isMark(category) && cluster.size() <= 2))
        return QByteArray();
    if (const QStringView table = tableLookAlike(first); !table.isEmpty())
        return encodeWhole(table);
    QString plain;
    for (const char32_t c : cluster.toString().normalized(QString::NormalizationForm_KD).toUcs4()) {
        if (!isMark(QChar::category(c)))
            plain += QString::fromUcs4(&c, 1);
    }
    if (plain.isEmpty() || plain == cluster)
        return std::nullopt;
    return encodeWhole(plain);
}

// Encodes one grapheme cluster at a time: each is written whole, as a look-alike, or as "〓".
QByteArray encodeByCluster(QStringView prepared, qsizetype* inexact)
{
    static const QByteArray standIn("\x81\xAC");
    QByteArray out;
    out.reserve(prepared.size() * 2);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, prepared.data(), prepared.size());
    for (qsizetype start = 0; start < prepared.size();) {
        qsizetype end = clusters.toNextBoundary();
        if (end <= start)
            end = prepared.size();
        const QStringView cluster = prepared.sliced(start, end - start);
        start = end;
        if (const std::optional<QByteArray> whole = encodeWhole(cluster)) {
            out += *whole;
            continue;
        }
        const std::optional<QByteArray> similar = lookAlike(cluster);
        out += similar ? *similar : standIn;
        if (inexact)
            ++*inexact;
    }
    return out;
}

}  // namespace

QByteArray encode(QStringView text, qsizetype* inexact)
{
    if (inexact)
        *inexact = 0;
    // ASCII is itself in code page 932; most fields and many whole mails are nothing else.
    if (std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
        return text.toLatin1();

    if (std::optional<QByteArray> tabled = encodeByTable(text))
        return *std::move(tabled);
    QString prepared(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(prepared.data());
    for (const QChar ch : text)
        *out++ = controlForIcuEncode(jisAlias(ch.unicode()));
    if (std::optional<QByteArray> whole = encodeWhole(prepared))
        return *std::move(whole);
    return encodeByCluster(prepared, inexact);
}

QString decode(QByteArrayView bytes)
{
    // Code page 932 maps all of ASCII to itself, and most stored fields (dates, addresses,
    // padding) are nothing else.
    if (std::all_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
        return QString::fromLatin1(bytes);

    const tables::DecodeTable& table = tables::decodeTable();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!isLeadByte(byte))
            *out++ = table.single[byte];
        else if (i + 1 < bytes.size() && tables::isTrailByte(static_cast<unsigned char>(bytes[i + 1])))
            *out++ = table.pairs[tables::pairIndex(byte, static_cast<unsigned char>(bytes[++i]))];
        else
            *out++ = u'?';  // a lead byte with no trail byte to go with it
    }
    text.truncate(out - reinterpret_cast<const char16_t*>(text.constData()));
    return text;
}

}  // namespace cp932
