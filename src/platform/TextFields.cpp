#include "platform/TextFields.h"

#include "platform/Cp932.h"

namespace textfields {

QByteArray cutBytes(QStringView text, qsizetype maxBytes)
{
    return cutEncoded(cp932::encode(text), maxBytes);
}

QByteArray cutEncoded(const QByteArray& bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes;
    // Walk whole characters; the encoder's output always has a trail byte after a lead byte.
    qsizetype end = 0;
    while (end < bytes.size()) {
        const qsizetype length = cp932::isLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return bytes.first(end);
}

QByteArray fixedField(QStringView text, qsizetype width)
{
    QByteArray field = cutBytes(text, width);
    if (field.size() < width)
        field.append(width - field.size(), ' ');
    return field;
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
