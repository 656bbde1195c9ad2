#include "mail/HeaderEncoding.h"

#include "mail/Charsets.h"

#include <QList>

namespace nmail {

namespace {

// Base64 of at most 36 bytes makes a word of at most 66 characters, so even the first one fits
// on a line after "Subject: " within 76 characters.
constexpr qsizetype MaxWordBytes = 36;

bool isPlainPrintable(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return !text.contains(u"=?");
}

QByteArray wordBytes(QStringView piece, bool jis)
{
    return jis ? charsets::toIso2022Jp(piece).value_or(QByteArray()) : piece.toUtf8();
}

// Whole code points of text, in order, so a surrogate pair is never cut apart.
QList<QStringView> codePoints(QStringView text)
{
    QList<QStringView> points;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        points.append(text.mid(i, width));
        i += width;
    }
    return points;
}

}  // namespace

QByteArray encodeWords(QStringView text)
{
    if (isPlainPrintable(text))
        return text.toLatin1();
    const bool jis = charsets::toIso2022Jp(text).has_value();
    const QByteArray prefix = jis ? "=?ISO-2022-JP?B?" : "=?UTF-8?B?";
    QList<QByteArray> words;
    QString piece;
    auto closeWord = [&] {
        if (!piece.isEmpty())
            words.append(prefix + wordBytes(piece, jis).toBase64() + "?=");
        piece.clear();
    };
    for (QStringView point : codePoints(text)) {
        if (wordBytes(piece + point.toString(), jis).size() > MaxWordBytes)
            closeWord();
        piece += point;
    }
    closeWord();
    return words.join("\r\n ");
}

QString bareAddress(QStringView address)
{
    const qsizetype open = address.lastIndexOf(u'<');
    const qsizetype close = address.lastIndexOf(u'>');
    if (open >= 0 && close > open)
        return address.mid(open + 1, close - open - 1).trimmed().toString();
    return address.trimmed().toString();
}

QByteArray encodeAddress(QStringView address)
{
    const qsizetype open = address.lastIndexOf(u'<');
    if (open <= 0 || address.lastIndexOf(u'>') < open)
        return bareAddress(address).toUtf8();
    QStringView name = address.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        name = name.mid(1, name.size() - 2);
    return encodeWords(name) + " <" + bareAddress(address).toUtf8() + ">";
}

QByteArray rfc2231Parameter(const char* name, QStringView value)
{
    const QByteArray encoded = value.toUtf8().toPercentEncoding(QByteArray("!#$&+-.^_`|~"));
    QList<QByteArray> pieces;
    for (qsizetype i = 0; i < encoded.size();) {
        qsizetype end = std::min(encoded.size(), i + 48);
        // Never cut a %XX triple.
        if (end < encoded.size() && encoded[end - 1] == '%')
            end -= 1;
        else if (end < encoded.size() && end >= 2 && encoded[end - 2] == '%')
            end -= 2;
        pieces.append(encoded.mid(i, end - i));
        i = end;
    }
    QByteArray out;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += ";\r\n ";
        out += name + QByteArray("*") + QByteArray::number(i) + "*=" + (i == 0 ? "UTF-8''" : "") + pieces[i];
    }
    return out;
}

}  // namespace nmail
