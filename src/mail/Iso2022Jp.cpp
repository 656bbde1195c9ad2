#include "mail/Iso2022Jp.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

namespace nmail::iso2022jp {

namespace {

constexpr char Escape = '\x1b';
const QByteArray ToJis("\x1b$B");
const QByteArray ToAscii("\x1b(B");

// Rows of JIS X 0208 that hold characters; 9 to 15 and 85 to 94 are empty in the standard and
// are where vendors put their extensions (NEC's row 13, the IBM selection in 89 to 92).
bool isStandardRow(int row) { return (row >= 1 && row <= 8) || (row >= 16 && row <= 84); }

// Code point → JIS code (row + 0x20, cell + 0x20), taken from the ICU table behind Qt's codec:
// a code is kept only when it decodes to one character that encodes back to the same code, so
// fallback mappings (half-width to full-width katakana, U+FF5E to the wave dash) never count.
QHash<char16_t, quint16> buildTable()
{
    QHash<char16_t, quint16> table;
    for (int row = 1; row <= 94; ++row) {
        if (!isStandardRow(row))
            continue;
        for (int cell = 1; cell <= 94; ++cell) {
            QByteArray code;
            code.append(static_cast<char>(row + 0x20)).append(static_cast<char>(cell + 0x20));
            QStringDecoder decoder("ISO-2022-JP", QStringConverter::Flag::Stateless);
            const QString text = decoder(ToJis + code + ToAscii);
            if (decoder.hasError() || text.size() != 1 || text.at(0).unicode() < 0x80 ||
                text.at(0) == QChar::ReplacementCharacter)
                continue;
            QStringEncoder encoder("ISO-2022-JP", QStringConverter::Flag::Stateless);
            const QByteArray back = encoder(text);
            if (encoder.hasError() || !back.startsWith(ToJis) || back.mid(ToJis.size(), 2) != code)
                continue;
            table.insert(text.at(0).unicode(), static_cast<quint16>((row + 0x20) << 8 | (cell + 0x20)));
        }
    }
    return table;
}

// ICU's table gives six codes the code points Windows uses; Python, glibc and the JIS mapping
// itself read them as these, so these are what the codes stand for in outgoing mail. The
// Windows code points (U+FF5E ～, U+2225 ∥, U+FF0D －, U+FFE0 ￠, U+FFE1 ￡, U+FFE2 ￢) then fit
// no code and go out in another charset, exactly as typed.
constexpr std::pair<quint16, char16_t> StandardReadings[] = {
    {0x2141, u'\u301C'}, {0x2142, u'\u2016'}, {0x215D, u'\u2212'},
    {0x2171, u'\u00A2'}, {0x2172, u'\u00A3'}, {0x224C, u'\u00AC'},
};

const QHash<char16_t, quint16>& jisTable()
{
    static const QHash<char16_t, quint16> table = [] {
        QHash<char16_t, quint16> built = buildTable();
        for (const auto& [code, standard] : StandardReadings) {
            built.remove(built.key(code));
            built.insert(standard, code);
        }
        return built;
    }();
    return table;
}

bool isSwitch(char16_t ch) { return ch == Escape || ch == 0x0e || ch == 0x0f; }

}  // namespace

std::optional<QByteArray> encode(QStringView text)
{
    const QHash<char16_t, quint16>& table = jisTable();
    QByteArray out;
    out.reserve(text.size() * 2 + 6);
    bool inJis = false;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80) {
            if (isSwitch(u))
                return std::nullopt;
            if (inJis)
                out += ToAscii;
            inJis = false;
            out += static_cast<char>(u);
            continue;
        }
        const auto code = table.constFind(u);
        if (code == table.constEnd())
            return std::nullopt;
        if (!inJis)
            out += ToJis;
        inJis = true;
        out += static_cast<char>(*code >> 8);
        out += static_cast<char>(*code & 0xff);
    }
    if (inJis)
        out += ToAscii;
    return out;
}

bool holds(QStringView text) { return encode(text).has_value(); }

}  // namespace nmail::iso2022jp
