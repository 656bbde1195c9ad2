#pragma once
// Reading what the loopback SMTP server stored: the file, its decoded subject and the text of a
// single-part ISO-2022-JP body.

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString decodeCharset(const QByteArray& charset, const QByteArray& bytes)
{
    QStringDecoder decoder(charset.constData());
    return decoder.isValid() ? decoder.decode(bytes) : QStringLiteral("<unknown charset %1>").arg(charset);
}

// The Subject field of a stored message, its encoded words (base64, each whole in itself)
// decoded and joined.
inline QString subjectOf(const QByteArray& message)
{
    const QByteArray header = message.left(message.indexOf("\r\n\r\n") + 2);
    const qsizetype start = header.indexOf("\r\nSubject:");
    qsizetype end = header.indexOf("\r\n", start + 2);
    while (end >= 0 && end + 2 < header.size() && (header[end + 2] == ' ' || header[end + 2] == '\t'))
        end = header.indexOf("\r\n", end + 2);
    const QString field = QString::fromLatin1(header.mid(start, end - start));
    static const QRegularExpression word(QStringLiteral("=\\?([^?]+)\\?[Bb]\\?([^?]*)\\?="));
    QString subject;
    for (const QRegularExpressionMatch& m : word.globalMatch(field))
        subject += decodeCharset(m.captured(1).toLatin1(), QByteArray::fromBase64(m.captured(2).toLatin1()));
    return subject;
}

// Everything after the header of a single-part message, read as ISO-2022-JP.
inline QString plainBodyOf(const QByteArray& message)
{
    return decodeCharset("ISO-2022-JP", message.mid(message.indexOf("\r\n\r\n") + 4));
}
