#include "platform/Cp932Tables.h"

#include "platform/Cp932.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <memory>

namespace cp932::tables {

namespace {

// Single bytes that are no character of code page 932 (0x80, 0xA0, 0xFD to 0xFF).
bool isUndefinedSingleByte(unsigned char byte)
{
    return byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
}

// ICU swaps the controls 1A, 1C and 7F with U+001C, U+007F and U+001A (an IBM habit); handed the
// swapped byte, it gives the control itself.
char controlForIcuDecode(char byte)
{
    switch (byte) {
    case 0x1A: return 0x7F;
    case 0x1C: return 0x1A;
    case 0x7F: return 0x1C;
    default: return byte;
    }
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

// Calls visit(byte, -1) for each byte that is no lead byte and visit(lead, trail) for each pair.
template <typename Visit>
void forEachCharacter(Visit visit)
{
    for (int byte = 0; byte < 256; ++byte) {
        if (!isLeadByte(static_cast<unsigned char>(byte))) {
            visit(byte, -1);
            continue;
        }
        for (int trail = 0; trail < 256; ++trail) {
            if (isTrailByte(static_cast<unsigned char>(trail)))
                visit(byte, trail);
        }
    }
}

// Decodes through ICU, with the corrections the converter needs: every byte that starts no
// character becomes "?", the controls it swaps come out as themselves, and an unassigned pair
// is "?".
QString icuDecode(QByteArray bytes)
{
    prepareForIcu(bytes);
    // Setting up a converter costs more than converting a field, so each thread keeps one. The
    // prepared input always ends on a whole character, which leaves no state behind.
    thread_local QStringDecoder decoder(CodecName);
    decoder.resetState();
    QString text = decoder.decode(bytes);
    // A well-formed pair that 932 leaves unassigned comes back as U+FFFD.
    text.replace(QChar(QChar::ReplacementCharacter), QLatin1Char('?'));
    return text;
}

}  // namespace

// Each table is worked out through ICU in one call over all its characters. Every character of
// 932 is one UTF-16 unit (932 lies within the BMP) and the converter keeps no state between
// characters, so the output lines up with the input; should a converter ever break that, each
// character is asked on its own.
const DecodeTable& decodeTable()
{
    static const DecodeTable table = [] {
        QByteArray all;
        qsizetype count = 0;
        forEachCharacter([&](int byte, int trail) {
            all += char(byte);
            if (trail >= 0)
                all += char(trail);
            ++count;
        });
        const QString decoded = icuDecode(all);
        const bool linedUp = decoded.size() == count;
        DecodeTable made;
        qsizetype at = 0;
        forEachCharacter([&](int byte, int trail) {
            char16_t unit = linedUp ? decoded[at++].unicode() : u'?';
            if (!linedUp) {
                QByteArray bytes(1, char(byte));
                if (trail >= 0)
                    bytes += char(trail);
                const QString alone = icuDecode(bytes);
                unit = alone.size() == 1 ? alone[0].unicode() : u'?';
            }
            (trail < 0 ? made.single[size_t(byte)]
                       : made.pairs[size_t(pairIndex(static_cast<unsigned char>(byte), static_cast<unsigned char>(trail)))]) = unit;
        });
        return made;
    }();
    return table;
}

namespace {

// The codes ICU writes for units, split into characters; empty when the output holds ICU's
// substitute (FC FC, unassigned in 932) or a lead byte without its trail byte.
QList<std::uint16_t> codesOf(const QByteArray& encoded)
{
    QList<std::uint16_t> codes;
    codes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(encoded[i]);
        if (!isLeadByte(byte)) {
            codes.append(byte);
            continue;
        }
        if (i + 1 == encoded.size() || (byte == 0xFC && static_cast<unsigned char>(encoded[i + 1]) == 0xFC))
            return {};
        codes.append(std::uint16_t(byte << 8 | static_cast<unsigned char>(encoded[++i])));
    }
    return codes;
}

}  // namespace

// What ICU writes for every unit some character of 932 decodes to; other units are left to ICU.
std::unique_ptr<EncodeTable> makeEncodeTable()
{
    std::array<bool, 0x10000> decoded{};
    const DecodeTable& decoding = decodeTable();
    for (char16_t unit : decoding.single)
        decoded[unit] = true;
    for (char16_t unit : decoding.pairs)
        decoded[unit] = true;
    QString units;
    units.reserve(0x4000);
    for (int unit = 0; unit < 0x10000; ++unit) {
        if (decoded[size_t(unit)])
            units += QChar(unit);
    }
    QStringEncoder encoder(CodecName);
    const QList<std::uint16_t> codes = codesOf(encoder.encode(units));
    const bool linedUp = codes.size() == units.size();
    auto made = std::make_unique<EncodeTable>();
    made->fill(NotTabled);
    for (qsizetype i = 0; i < units.size(); ++i) {
        std::uint16_t code = linedUp ? codes[i] : NotTabled;
        if (!linedUp) {
            QStringEncoder alone(CodecName);
            const QList<std::uint16_t> one = codesOf(alone.encode(QStringView(units).sliced(i, 1)));
            code = one.size() == 1 ? one[0] : NotTabled;
        }
        (*made)[units[i].unicode()] = code;
    }
    return made;
}

}  // namespace cp932::tables
