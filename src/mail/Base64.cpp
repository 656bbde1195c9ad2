#include "mail/Base64.h"

#include <array>

namespace nmail {

namespace {

constexpr signed char Skipped = -1;
constexpr signed char Foreign = -2;

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
    return table;
}

constexpr std::array<signed char, 256> table = decodingTable();

}  // namespace

bool isCleanBase64(std::string_view data)
{
    qsizetype symbols = 0;
    qsizetype padding = 0;
    for (char c : data) {
        const signed char value = table[static_cast<unsigned char>(c)];
        if (value == Skipped)
            continue;
        if (c == '=')
            ++padding;
        else if (value == Foreign || padding > 0)
            return false;
        ++symbols;
    }
    return padding <= 2 && symbols % 4 == 0;
}

QByteArray decodeBase64(std::string_view data)
{
    if (!isCleanBase64(data))
        return QByteArray::fromBase64(QByteArray::fromRawData(data.data(), qsizetype(data.size())));
    QByteArray out(qsizetype(data.size() / 4 * 3 + 3), Qt::Uninitialized);
    char* write = out.data();
    unsigned bits = 0;
    int held = 0;
    for (char c : data) {
        const signed char value = table[static_cast<unsigned char>(c)];
        if (value < 0)
            continue;  // blanks, and the "=" padding that only closes the data
        bits = (bits << 6) | unsigned(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            *write++ = static_cast<char>((bits >> held) & 0xff);
        }
    }
    out.truncate(write - out.data());
    return out;
}

}  // namespace nmail
