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

size_t Base64Decoder::run(std::string_view data, char* out, size_t* stopAtForeign)
{
    auto* write = reinterpret_cast<unsigned char*>(out);
    const auto* read = reinterpret_cast<const unsigned char*>(data.data());
    const auto* const end = read + data.size();
    while (read < end) {
        // The common case: whole groups of four alphabet characters, nothing held over.
        if (bitCount_ == 0 && held_ == 0 && padding_ == 0) {
            while (end - read >= 4) {
                const std::uint32_t group = first[read[0]] | second[read[1]] | third[read[2]] | fourth[read[3]];
                if (group & NotSextet)
                    break;
                write[0] = static_cast<unsigned char>(group >> 16);
                write[1] = static_cast<unsigned char>(group >> 8);
                write[2] = static_cast<unsigned char>(group);
                write += 3;
                read += 4;
            }
            if (read == end)
                break;
        }
        const signed char value = table[*read++];
        if (value == Skipped)
            continue;
        if (value == Padding) {
            ++padding_;
            continue;
        }
        if (value == Foreign) {
            if (stopAtForeign) {
                *stopAtForeign = size_t(read - 1 - reinterpret_cast<const unsigned char*>(data.data()));
                return size_t(reinterpret_cast<char*>(write) - out);
            }
            foreign_ = true;
            continue;
        }
        if (padding_ > 0)
            foreign_ = true;  // data after the padding: the bits are joined all the same
        held_ = (held_ + 1) % 4;
        bits_ = bits_ << 6 | std::uint32_t(value);
        bitCount_ += 6;
        if (bitCount_ >= 8) {
            bitCount_ -= 8;
            *write++ = static_cast<unsigned char>(bits_ >> bitCount_);
            bits_ &= (1u << bitCount_) - 1;
        }
    }
    if (stopAtForeign)
        *stopAtForeign = data.size();
    return size_t(reinterpret_cast<char*>(write) - out);
}

bool Base64Decoder::clean() const
{
    return !foreign_ && padding_ <= 2 && (held_ + padding_) % 4 == 0;
}

QByteArray decodeBase64(std::string_view data, bool* clean)
{
    QByteArray out(qsizetype(Base64Decoder::roomFor(data.size())), Qt::Uninitialized);
    Base64Decoder decoder;
    out.truncate(qsizetype(decoder.decode(data, out.data())));
    if (clean)
        *clean = decoder.clean();
    return out;
}

}  // namespace nmail
