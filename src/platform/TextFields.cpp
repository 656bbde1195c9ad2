#include "platform/TextFields.h"

#include "platform/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace textfields {

namespace {

// How many of the first bytes make whole characters within maxBytes.
qsizetype cutLength(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes.size();
    // Walk whole characters; the encoder's output always has a trail byte after a lead byte.
    qsizetype end = 0;
    while (end < bytes.size()) {
        const qsizetype length = cp932::isLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return end;
}

}  // namespace

QByteArray cutBytes(QStringView text, qsizetype maxBytes)
{
    return cutEncoded(cp932::encode(text), maxBytes);
}

QByteArray cutEncoded(const QByteArray& bytes, qsizetype maxBytes)
{
    return bytes.size() <= maxBytes ? bytes : bytes.first(cutLength(bytes, maxBytes));
}

void appendFixedField(QByteArray& out, QStringView text, qsizetype width)
{
    const QByteArray encoded = cp932::encode(text);
    const qsizetype start = out.size();
    // Most of a record is padding: it goes straight into the record, never into a field copy.
    out.resize(start + width);
    const qsizetype kept = cutLength(encoded, width);
    std::memcpy(out.data() + start, encoded.constData(), size_t(kept));
    std::memset(out.data() + start + kept, ' ', size_t(width - kept));
}

QByteArrayView withoutPadding(QByteArrayView bytes, qsizetype keep)
{
    // Looked at 32 bytes at a time: a record's body field is mostly spaces.
    constexpr std::uint64_t spaces = 0x2020202020202020;
    const auto notSpaces = [&bytes](qsizetype at) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, sizeof word);
        return word ^ spaces;
    };
    qsizetype end = bytes.size();
    while (end - 32 >= keep && (notSpaces(end - 32) | notSpaces(end - 24) | notSpaces(end - 16) | notSpaces(end - 8)) == 0)
        end -= 32;
    while (end > keep && bytes[end - 1] == ' ')
        --end;
    return bytes.first(std::max(end, std::min(keep, bytes.size())));
}

QString withCrLf(QStringView text)
{
    QString lines(text.size() * 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(lines.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n') {
            *out++ = c;
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        *out++ = u'\r';
        *out++ = u'\n';
    }
    lines.truncate(out - reinterpret_cast<const char16_t*>(lines.constData()));
    return lines;
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

bool hasLineBreakOrNul(QStringView text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

}  // namespace textfields
