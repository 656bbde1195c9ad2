#pragma once
// The character tables behind Cp932: what ICU's Windows-932 converter gives for each character,
// worked out once through the converter itself, so that converting a text is a lookup per
// character and gives exactly what the converter would.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace cp932::tables {

// The name that reaches ICU's Windows-932 table through Qt's converters.
inline constexpr char CodecName[] = "Shift_JIS";

// True for the bytes that may follow a lead byte: 0x40 to 0x7E and 0x80 to 0xFC.
inline bool isTrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// What decoding gives for each byte that is no lead byte (single) and for each lead byte with each
// trail byte (pairs, at pairIndex): one UTF-16 unit each, "?" where 932 has no character.
inline constexpr int LeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);

struct DecodeTable {
    std::array<char16_t, 256> single{};
    std::array<char16_t, LeadCount * 256> pairs{};
};

inline int pairIndex(unsigned char lead, unsigned char trail)
{
    return ((lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 0x9F - 0x81 + 1) << 8) | trail;
}

const DecodeTable& decodeTable();

// What ICU writes for one UTF-16 unit handed to it as it stands: a single byte (below 0x100) or
// a pair (lead << 8 | trail). NotTabled for a unit the table does not hold (no character of 932
// decodes to it): only the converter itself can say what becomes of it.
inline constexpr std::uint16_t NotTabled = 0xFFFF;
using EncodeTable = std::array<std::uint16_t, 0x10000>;
// Indexed by the unit; worked out anew on each call, for the caller to keep.
std::unique_ptr<EncodeTable> makeEncodeTable();

}  // namespace cp932::tables
