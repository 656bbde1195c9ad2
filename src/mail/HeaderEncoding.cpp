#include "mail/HeaderEncoding.h"

#include "mail/Iso2022Jp.h"

#include <QList>

namespace nmail {

namespace {

// Base64 of at most 36 bytes makes a word of at most 66 characters, so even the first one fits
// on a line after "Subject: " within 76 characters.
constexpr qsizetype MaxWordBytes = 36;
// RFC 5322: lines SHOULD keep to 78 characters and MUST keep to 998.
constexpr qsizetype FoldAt = 78;
constexpr qsizetype MaxLine = 998;

bool isPrintableAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

// RFC 5322 atext.
bool isAtext(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           QStringView(u"!#$%&'*+-/=?^_`{|}~").contains(c);
}

// Words of atext separated by single spaces: a phrase that needs no quoting.
bool isAtomPhrase(QStringView text)
{
    if (text.isEmpty() || text.startsWith(u' ') || text.endsWith(u' ') || text.contains(u"  ") || text.contains(u"=?"))
        return false;
    for (QChar c : text) {
        if (c != u' ' && !isAtext(c))
            return false;
    }
    return true;
}

QByteArray wordBytes(QStringView piece, bool jis)
{
    return jis ? iso2022jp::encode(piece).value_or(QByteArray()) : piece.toUtf8();
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

// Printable ASCII folded before a space that starts a word, greedily within FoldAt; empty when
// some piece between such spaces would still pass MaxLine.
QByteArray foldedAscii(QStringView text, qsizetype nameLength)
{
    QList<qsizetype> breaks;  // positions a continuation line may start at
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == u' ' && text[i + 1] != u' ')
            breaks.append(i);
    }
    breaks.append(text.size());
    QByteArray out;
    qsizetype lineStart = 0;
    qsizetype used = nameLength;
    qsizetype lastFit = -1;
    for (const qsizetype at : breaks) {
        if (used + (at - lineStart) > FoldAt && lastFit > lineStart) {
            out += text.mid(lineStart, lastFit - lineStart).toLatin1() + "\r\n";
            lineStart = lastFit;
            used = 0;
        }
        if (used + (at - lineStart) > MaxLine)
            return {};
        lastFit = at;
    }
    return out + text.mid(lineStart).toLatin1();
}

}  // namespace

QByteArray encodeWords(QStringView text)
{
    const bool jis = iso2022jp::holds(text);
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

QByteArray encodeUnstructured(QStringView text, qsizetype nameLength)
{
    if (isPrintableAscii(text) && !text.startsWith(u' ') && !text.contains(u"=?")) {
        const QByteArray folded = foldedAscii(text, nameLength);
        if (!folded.isEmpty() || text.isEmpty())
            return folded;
    }
    return encodeWords(text);
}

QByteArray encodePhrase(QStringView name)
{
    if (isAtomPhrase(name))
        return name.toLatin1();
    if (isPrintableAscii(name) && !name.contains(u"=?")) {
        QByteArray quoted = name.toLatin1();
        quoted.replace("\\", "\\\\").replace("\"", "\\\"");
        return '"' + quoted + '"';
    }
    return encodeWords(name);
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
