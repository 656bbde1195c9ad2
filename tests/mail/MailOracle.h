#pragma once
// Readers of stored mail that this project did not write: Python's email package with
// policy=email.policy.default (scripts/mailservers/read_mail.py) and glibc's iconv. Every test
// of outgoing mail judges what arrived with these, never with the program's own decoder.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

struct ReadAddress {
    QString name;
    QString addr;
};

// What Python's email package read from one stored message.
struct PythonReading {
    QString failure;  // empty when the reader ran and printed its JSON
    QString subject;
    QList<ReadAddress> from, to, cc;
    QStringList headerLines;
    QStringList defects;
    std::optional<QString> text;  // the plain-text body, when there is one
    QByteArray textCharset;
    QByteArray textBytes;  // transfer encoding removed, charset untouched
    struct Attachment {
        QString fileName;
        QByteArray data;
        QString legacyName;  // name="..." of Content-Type, for readers without RFC 2231
        QString contentType;  // "application/pdf"
    };
    QList<Attachment> attachments;
    QStringList envelopeTo;  // RCPT TO, for the SMTP server's spool copy only
};

namespace oracle_detail {

inline QList<ReadAddress> addresses(const QJsonValue& list)
{
    QList<ReadAddress> out;
    for (const QJsonValue& a : list.toArray())
        out.append({a[QStringLiteral("name")].toString(), a[QStringLiteral("addr")].toString()});
    return out;
}

inline QStringList strings(const QJsonValue& list)
{
    QStringList out;
    for (const QJsonValue& s : list.toArray())
        out.append(s.toString());
    return out;
}

// Runs program with input on stdin; nullopt when it fails or does not end in time.
inline std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                     const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

}  // namespace oracle_detail

// The text with LF line ends: a Maildir keeps mail as the delivering server writes it (Postfix
// with LF, aiosmtpd as it came, CR LF), and the text is the same either way.
inline QString withLf(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// The header lines the client wrote: without the trace lines a delivering server puts before them
// (Return-Path, Delivered-To, Received and their continuations), which are its own.
inline QStringList clientHeaderLines(const QStringList& lines)
{
    const auto date = std::find_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith(QStringLiteral("Date:")); });
    return date == lines.end() ? lines : QStringList(date, lines.end());
}

inline PythonReading readWithPython(const QString& messageFile)
{
    PythonReading r;
    const auto output = oracle_detail::run(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(TESSALY_MAIL_ORACLE), messageFile});
    QJsonParseError error;
    const QJsonObject o = output ? QJsonDocument::fromJson(*output, &error).object() : QJsonObject();
    if (!output || error.error != QJsonParseError::NoError) {
        r.failure = QStringLiteral("Python could not read %1").arg(messageFile);
        return r;
    }
    r.subject = o[QStringLiteral("subject")].toString();
    r.from = oracle_detail::addresses(o[QStringLiteral("from")]);
    r.to = oracle_detail::addresses(o[QStringLiteral("to")]);
    r.cc = oracle_detail::addresses(o[QStringLiteral("cc")]);
    r.headerLines = oracle_detail::strings(o[QStringLiteral("header_lines")]);
    r.defects = oracle_detail::strings(o[QStringLiteral("defects")]);
    if (o[QStringLiteral("text")].isString())
        r.text = o[QStringLiteral("text")].toString();
    r.textCharset = o[QStringLiteral("text_charset")].toString().toLatin1();
    r.textBytes = QByteArray::fromBase64(o[QStringLiteral("text_bytes")].toString().toLatin1());
    for (const QJsonValue& a : o[QStringLiteral("attachments")].toArray())
        r.attachments.append({a[QStringLiteral("filename")].toString(),
                              QByteArray::fromBase64(a[QStringLiteral("data")].toString().toLatin1()),
                              a[QStringLiteral("legacy_name")].toString(), a[QStringLiteral("content_type")].toString()});
    if (o[QStringLiteral("envelope_to")].isArray())
        r.envelopeTo = oracle_detail::strings(o[QStringLiteral("envelope_to")]);
    return r;
}

// glibc's reading of ISO-2022-JP bytes; nullopt when iconv refuses them (a character outside
// ASCII and JIS X 0208, a broken escape).
inline std::optional<QString> iconvFromIso2022Jp(const QByteArray& bytes)
{
    const auto utf8 = oracle_detail::run(QStringLiteral("iconv"),
                                         {QStringLiteral("-f"), QStringLiteral("ISO-2022-JP"),
                                          QStringLiteral("-t"), QStringLiteral("UTF-8")},
                                         bytes);
    return utf8 ? std::optional(QString::fromUtf8(*utf8)) : std::nullopt;
}

// The RFC 2047 words of header lines whose ISO-2022-JP text does not end in ASCII: each word
// must stand alone, so one that leaves JIS X 0208 switched on is broken (RFC 1468, 2047 §5).
inline QStringList jisWordsNotBackInAscii(const QStringList& headerLines)
{
    static const QRegularExpression word(QStringLiteral("=\\?ISO-2022-JP\\?B\\?([^?]*)\\?="),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList broken;
    for (const QRegularExpressionMatch& m : word.globalMatch(headerLines.join(u'\n'))) {
        const QByteArray bytes = QByteArray::fromBase64(m.captured(1).toLatin1());
        if (bytes.lastIndexOf("\x1b$B") > bytes.lastIndexOf("\x1b(B"))
            broken.append(m.captured(0));
    }
    return broken;
}

// Text in code page 932 as glibc's iconv writes it; nullopt when iconv has no code for a character.
inline std::optional<QByteArray> iconvToCp932(const QString& text)
{
    const QStringList fromTo = {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QStringLiteral("CP932")};
    return oracle_detail::run(QStringLiteral("iconv"), fromTo, text.toUtf8());
}
