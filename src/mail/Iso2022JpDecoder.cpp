#include "mail/Iso2022JpDecoder.h"

#include "platform/Cp932.h"
#include "platform/Cp932Tables.h"

#include <QStringDecoder>

#include <array>

namespace nmail::charsets {

namespace {

enum class JisSet { Ascii, Kana, Jis0208, Jis0212, Jis0213Plane1, Jis0213Plane2, Foreign };

constexpr char16_t Replacement = 0xFFFD;

struct Designation {
    std::string_view escape;
    JisSet set;
};

// ESC & @ only announces the 1990 revision of JIS X 0208; the ESC $ B that follows it counts.
constexpr std::array<Designation, 16> Designations{{
    {"\x1b(B", JisSet::Ascii}, {"\x1b(J", JisSet::Ascii}, {"\x1b(H", JisSet::Ascii},
    {"\x1b(I", JisSet::Kana}, {"\x1b$@", JisSet::Jis0208}, {"\x1b$B", JisSet::Jis0208},
    {"\x1b&@", JisSet::Jis0208}, {"\x1b$(D", JisSet::Jis0212}, {"\x1b$(O", JisSet::Jis0213Plane1},
    {"\x1b$(Q", JisSet::Jis0213Plane1}, {"\x1b$(P", JisSet::Jis0213Plane2},
    // The sets of ISO-2022-JP-2 that are not Japanese.
    {"\x1b$A", JisSet::Foreign}, {"\x1b$(C", JisSet::Foreign}, {"\x1b.A", JisSet::Foreign},
    {"\x1b.F", JisSet::Foreign}, {"\x1bN", JisSet::Foreign},
}};

// eucJP-ms style encoders put the IBM extensions that JIS X 0212 lacks into its user rows, from
// row 83 cell 83 (0x7373) to row 84 cell 94 (0x747E), in this order.
constexpr std::u16string_view UserRows =
    u"\u2170\u2171\u2172\u2173\u2174\u2175\u2176\u2177\u2178\u2179\u2160\u2161\u2162\u2163\u2164\u2165"
    u"\u2166\u2167\u2168\u2169\uFF07\uFF02\u3231\u2116\u2121\u70BB\u4EFC\u50F4\u51EC\u5307\u5324\uFA0E"
    u"\u548A\u5759\uFA0F\uFA10\u589E\u5BEC\u5CF5\u5D53\uFA11\u5FB7\u6085\u6120\u654E\u663B\u6665\uFA12"
    u"\uF929\u6801\uFA13\uFA14\u6A6B\u6AE2\u6DF8\u6DF2\u7028\uFA15\uFA16\u7501\u7682\u769E\uFA17\u7930"
    u"\uFA18\uFA19\uFA1A\uFA1B\u7AE7\uFA1C\uFA1D\u7DA0\u7DD6\uFA1E\u8362\uFA1F\u85B0\uFA20\uFA21\u8807"
    u"\uFA22\u8B7F\u8CF4\u8D76\uFA23\uFA24\uFA25\u90DE\uFA26\u9115\uFA27\uFA28\u9592\uF9DC\uFA29\u973B"
    u"\u974D\u9751\uFA2A\uFA2B\uFA2C\u999E\u9AD9\u9B72\uFA2D\u9ED1";

bool isJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

class Decoder {
public:
    // No character takes less than one byte of the input.
    Decoder(qsizetype inputSize, int& undecodable)
        : undecodable_(undecodable), out_(inputSize, Qt::Uninitialized), next_(reinterpret_cast<char16_t*>(out_.data()))
    {
    }

    // ASCII and half-width katakana are themselves in code page 932 too.
    void ascii(unsigned char c) { put(table_.single[c]); }
    void bad()
    {
        put(Replacement);
        ++undecodable_;
    }

    void kana(unsigned char c)
    {
        if (c > 0x5F)
            return bad();
        put(table_.single[c + 0x80]);
    }

    // Code page 932 holds JIS X 0208 with the NEC row 13 and the NEC-selected IBM rows 89 to 92
    // at places that follow from the JIS code.
    void jis0208(unsigned char j1, unsigned char j2)
    {
        const int lead = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
        const int trail = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
        // A "?" for a pair is a pair code page 932 does not assign.
        const char16_t c = table_.pairs[size_t(cp932::tables::pairIndex(static_cast<unsigned char>(lead),
                                                                          static_cast<unsigned char>(trail)))];
        if (c == u'?')
            return bad();
        put(c);
    }

    // JIS X 0213 plane 1 agrees with JIS X 0208 where code page 932 has its characters, except in
    // rows 85 to 94, which code page 932 gives to IBM extensions.
    void jis0213(unsigned char j1, unsigned char j2)
    {
        if (j1 >= 0x75)
            return bad();
        jis0208(j1, j2);
    }

    void jis0212(unsigned char j1, unsigned char j2)
    {
        const char bytes[] = {char(0x8F), char(j1 | 0x80), char(j2 | 0x80)};
        // A fresh decoder each time: one that has met an error keeps failing after resetState().
        QStringDecoder eucJp("EUC-JP", QStringConverter::Flag::Stateless);
        const QString text = eucJp(QByteArrayView(bytes, 3));
        const int userIndex = (j1 - 0x73) * 94 + (j2 - 0x73);
        if (!eucJp.hasError() && text.size() == 1)
            put(text[0].unicode());
        else if (j1 >= 0x73 && userIndex >= 0 && userIndex < qsizetype(UserRows.size()))
            put(UserRows[size_t(userIndex)]);
        else
            bad();
    }

    QString finish()
    {
        out_.truncate(next_ - reinterpret_cast<const char16_t*>(out_.constData()));
        return std::move(out_);
    }

private:
    void put(char16_t c) { *next_++ = c; }

    const cp932::tables::DecodeTable& table_ = cp932::tables::decodeTable();
    int& undecodable_;
    QString out_;
    char16_t* next_;  // out_ is never shared while it is written
};

bool isPlainAscii(unsigned char c) { return c < 0x80 && c != 0x1B && c != 0x0E && c != 0x0F; }

}  // namespace

bool looksLikeIso2022Jp(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return bytes.contains("\x1b$") || bytes.contains("\x1b(I");
}

std::optional<QString> decodeIso2022Jp(QByteArrayView bytes, int& undecodable)
{
    Decoder out(bytes.size(), undecodable);
    JisSet set = JisSet::Ascii;
    bool shiftedOut = false;  // SO/SI half-width katakana
    const auto byteAt = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    for (qsizetype i = 0; i < bytes.size();) {
        // The bulk of a text: runs of ASCII, and runs of JIS X 0208 pairs between escapes.
        if (set == JisSet::Ascii && !shiftedOut) {
            for (; i < bytes.size() && isPlainAscii(byteAt(i)); ++i)
                out.ascii(byteAt(i));
        } else if (set == JisSet::Jis0208 && !shiftedOut) {
            for (; i + 1 < bytes.size() && isJisByte(byteAt(i)) && isJisByte(byteAt(i + 1)); i += 2)
                out.jis0208(byteAt(i), byteAt(i + 1));
        }
        if (i >= bytes.size())
            break;
        const auto c = byteAt(i);
        if (c == 0x1B) {
            const auto rest = std::string_view(bytes.data() + i, size_t(bytes.size() - i));
            const auto known = std::find_if(Designations.begin(), Designations.end(),
                                            [&](const Designation& d) { return rest.starts_with(d.escape); });
            if (known == Designations.end()) {
                out.bad();
                ++i;
                continue;
            }
            if (known->set == JisSet::Foreign)
                return std::nullopt;
            set = known->set;
            i += qsizetype(known->escape.size());
            continue;
        }
        if (c == 0x0E || c == 0x0F) {
            shiftedOut = c == 0x0E;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            // A line ends in ASCII; a mailer that forgot to switch back loses no more than a line.
            set = JisSet::Ascii;
            shiftedOut = false;
        }
        if (c >= 0x80) {
            out.bad();
            ++i;
            continue;
        }
        if (!isJisByte(c) || (set == JisSet::Ascii && !shiftedOut)) {
            out.ascii(c);
            ++i;
            continue;
        }
        if (shiftedOut || set == JisSet::Kana) {
            out.kana(c);
            ++i;
            continue;
        }
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (!isJisByte(next)) {
            out.bad();
            ++i;
            continue;
        }
        if (set == JisSet::Jis0208)
            out.jis0208(c, next);
        else if (set == JisSet::Jis0213Plane1)
            out.jis0213(c, next);
        else if (set == JisSet::Jis0212)
            out.jis0212(c, next);
        else
            out.bad();
        i += 2;
    }
    return out.finish();
}

}  // namespace nmail::charsets
