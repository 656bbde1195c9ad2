#include "mail/Base64.h"

#include <array>

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
        if (held == 0 && padding == 0 && end - read >= 4) {
            const int a = table[read[0]], b = table[read[1]], c = table[read[2]], d = table[read[3]];
            if ((a | b | c | d) >= 0) {
                const unsigned bits = unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6 | unsigned(d);
                write[0] = static_cast<unsigned char>(bits >> 16);
                write[1] = static_cast<unsigned char>(bits >> 8);
                write[2] = static_cast<unsigned char>(bits);
                write += 3;
                read += 4;
                continue;
            }
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
