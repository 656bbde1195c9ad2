#include "mail/Base64.h"

#include <array>
#include <cstdint>

namespace nmail {

namespace {

constexpr signed char Skipped = -1;
constexpr signed char Padding = -2;
constexpr signed char Foreign = -3;

constexpr std::array<signed char, 256> decodingTable()
{
    std::array<signed char, 256> table{};
    for (auto& value : table)
        value = Foreign;
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    for (char blank : {'\r', '\n', ' ', '\t'})
        table[static_cast<unsigned char>(blank)] = Skipped;
    table['='] = Padding;
    return table;
}

constexpr std::array<signed char, 256> table = decodingTable();

// The sextet of each alphabet character already shifted to its place in a group of four, so a
// group is four lookups and three ORs; anything else carries a bit no sextet has.
constexpr std::uint32_t NotSextet = 1u << 31;

constexpr std::array<std::uint32_t, 256> shiftedTable(int shift)
{
    std::array<std::uint32_t, 256> shifted{};
    for (size_t c = 0; c < shifted.size(); ++c)
        shifted[c] = table[c] >= 0 ? std::uint32_t(table[c]) << shift : NotSextet;
    return shifted;
}

constexpr std::array<std::uint32_t, 256> first = shiftedTable(18), second = shiftedTable(12),
                                          third = shiftedTable(6), fourth = shiftedTable(0);

}  // namespace

std::optional<QByteArray> decodeCleanBase64(std::string_view data)
{
    QByteArray out(qsizetype(data.size() / 4 * 3 + 3), Qt::Uninitialized);
    auto* write = reinterpret_cast<unsigned char*>(out.data());
    const auto* read = reinterpret_cast<const unsigned char*>(data.data());
    const auto* const end = read + data.size();
    unsigned group = 0;  // the sextets of the group of four being read
    int held = 0;
    int padding = 0;
    while (read < end) {
        // The common case: a whole group of four alphabet characters.
        if (held == 0 && padding == 0) {
            bool whole = true;
            while (end - read >= 4) {
                const std::uint32_t bits = first[read[0]] | second[read[1]] | third[read[2]] | fourth[read[3]];
                if (bits & NotSextet) {
                    whole = false;
                    break;
                }
                write[0] = static_cast<unsigned char>(bits >> 16);
                write[1] = static_cast<unsigned char>(bits >> 8);
                write[2] = static_cast<unsigned char>(bits);
                write += 3;
                read += 4;
            }
            if (whole && read == end)
                break;
        }
        const signed char value = table[*read++];
        if (value == Skipped)
            continue;
        if (value == Padding) {
            ++padding;
            continue;
        }
        if (value == Foreign || padding > 0)
            return std::nullopt;
        group = group << 6 | unsigned(value);
        if (++held == 4) {
            write[0] = static_cast<unsigned char>(group >> 16);
            write[1] = static_cast<unsigned char>(group >> 8);
            write[2] = static_cast<unsigned char>(group);
            write += 3;
            held = 0;
            group = 0;
        }
    }
    if (padding > 2 || (held + padding) % 4 != 0)
        return std::nullopt;
    if (held == 2) {
        *write++ = static_cast<unsigned char>(group >> 4);
    } else if (held == 3) {
        *write++ = static_cast<unsigned char>(group >> 10);
        *write++ = static_cast<unsigned char>(group >> 2);
    }
    out.truncate(reinterpret_cast<char*>(write) - out.data());
    return out;
}

}  // namespace nmail
