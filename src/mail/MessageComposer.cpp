#include "mail/MessageComposer.h"

#include "mail/HeaderEncoding.h"
#include "mail/Iso2022Jp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>

namespace nmail {

namespace {

// Longest line allowed in 7bit content.
constexpr qsizetype MaxLineBytes = 998;

QByteArray randomToken()
{
    return QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// 57 bytes make one base64 line of 76 characters; a chunk of whole lines encodes on its own.
constexpr qint64 LineBytes = 57;
constexpr qint64 ChunkBytes = LineBytes * 4096;

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

// What base64Lines makes of size bytes.
qint64 base64LinesSize(qint64 size)
{
    const qint64 lines = (size + LineBytes - 1) / LineBytes;
    return (size + 2) / 3 * 4 + 2 * lines;
}

// Characters a 7bit text line may carry besides those ISO-2022-JP encodes: no NUL and no other
// control but TAB.
bool fitsSevenBitLine(QStringView line)
{
    for (QChar c : line) {
        if (c.unicode() < 0x20 && c != u'\t')
            return false;
    }
    return true;
}

// The text part: ISO-2022-JP 7bit, each line returning to ASCII before its CR LF, when the text
// fits that charset in lines a 7bit transfer allows; UTF-8 base64 otherwise.
QByteArray textPart(const QString& body)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();  // the body's own last line end
    QByteArray jis;
    for (const QString& line : lines) {
        const auto encoded = fitsSevenBitLine(line) ? iso2022jp::encode(line) : std::nullopt;
        if (!encoded || encoded->size() > MaxLineBytes)
            return "Content-Type: text/plain; charset=UTF-8\r\n"
                   "Content-Transfer-Encoding: base64\r\n\r\n" +
                   base64Lines((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        jis += *encoded + "\r\n";
    }
    return "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n\r\n" + jis;
}

// Readers that know no RFC 2231 take the name="..." parameter: a plain ASCII name as it is,
// anything else as RFC 2047 words, which such readers decode there by custom.
QByteArray legacyName(const QString& name)
{
    const bool plain = !name.contains(u"=?") && std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() <= 0x7e && c != u'"' && c != u'\\';
    });
    return plain ? name.toLatin1() : encodeWords(name);
}

QByteArray attachmentHeader(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    // Typed by the name as every desktop does; a receiver's filter reads a PDF sent as
    // octet-stream as a disguised one.
    static const QMimeDatabase types;
    const QByteArray type = types.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toLatin1();
    return "Content-Type: " + type + ";\r\n name=\"" + legacyName(name) + "\"\r\n"
           "Content-Disposition: attachment;\r\n " + rfc2231Parameter("filename", name) + "\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n";
}

bool readable(const QString& path, QString* error)
{
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        return true;
    *error = QStringLiteral("添付ファイルを読めません: %1").arg(path);
    return false;
}

// Encodes the file in whole lines a chunk at a time; false when it cannot be read or no longer
// has the size the mail announced.
bool writeFile(const QString& path, qint64 size, const ComposedMail::Sink& sink, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("添付ファイルを読めません: %1 (%2)").arg(path, file.errorString());
        return false;
    }
    qint64 done = 0;
    while (done < size) {
        const QByteArray chunk = file.read(std::min(ChunkBytes, size - done));
        if (chunk.isEmpty()) {
            *error = QStringLiteral("添付ファイルが送信中に変わりました: %1").arg(path);
            return false;
        }
        done += chunk.size();
        if (!sink(base64Lines(chunk)))
            return false;
    }
    if (!file.atEnd()) {
        *error = QStringLiteral("添付ファイルが送信中に変わりました: %1").arg(path);
        return false;
    }
    return true;
}

QByteArray headerBlock(const OutgoingMail& mail)
{
    QByteArray domain = mail.from.addrSpec.mid(mail.from.addrSpec.lastIndexOf('@') + 1);
    if (domain.isEmpty() || domain.startsWith('['))
        domain = "localhost";
    QByteArray header;
    header += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    auto field = [&header](const QByteArray& name, const auto& encode) {
        header += name + ": " + encode(name.size() + 2) + "\r\n";
    };
    field("From", [&](qsizetype used) { return formatAddressList({mail.from}, used); });
    field("To", [&](qsizetype used) { return formatAddressList(mail.to, used); });
    if (!mail.cc.isEmpty())
        field("Cc", [&](qsizetype used) { return formatAddressList(mail.cc, used); });
    field("Subject", [&](qsizetype used) { return encodeUnstructured(mail.subject, used); });
    header += "Message-ID: <" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + "." +
              randomToken() + "@" + domain + ">\r\n";
    header += "MIME-Version: 1.0\r\n";
    header += mail.extraHeader;
    return header;
}

}  // namespace

std::optional<ComposedMail> composeMail(const OutgoingMail& mail, QString* error)
{
    ComposedMail composed;
    const QByteArray text = textPart(mail.body);
    if (mail.attachmentPaths.isEmpty()) {
        composed.pieces_.append({headerBlock(mail) + text, {}, 0});
        return composed;
    }
    const QByteArray boundary = "=_tessaly_" + randomToken();
    QByteArray head = headerBlock(mail);
    head += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    head += "This is a multi-part message in MIME format.\r\n";
    head += "\r\n--" + boundary + "\r\n" + text;
    composed.pieces_.append({head, {}, 0});
    for (const QString& path : mail.attachmentPaths) {
        if (!readable(path, error))
            return std::nullopt;
        composed.pieces_.append({"\r\n--" + boundary + "\r\n" + attachmentHeader(path), path, QFileInfo(path).size()});
    }
    composed.pieces_.append({"\r\n--" + boundary + "--\r\n", {}, 0});
    return composed;
}

qint64 ComposedMail::size() const
{
    qint64 total = 0;
    for (const Piece& piece : pieces_)
        total += piece.bytes.size() + (piece.file.isEmpty() ? 0 : base64LinesSize(piece.fileSize));
    return total;
}

bool ComposedMail::writeTo(const Sink& sink, QString* error) const
{
    for (const Piece& piece : pieces_) {
        if (!sink(piece.bytes))
            return false;
        if (!piece.file.isEmpty() && !writeFile(piece.file, piece.fileSize, sink, error))
            return false;
    }
    return true;
}

std::optional<QByteArray> ComposedMail::bytes(QString* error) const
{
    QByteArray all;
    all.reserve(static_cast<qsizetype>(size()));
    if (!writeTo([&all](const QByteArray& piece) { return all += piece, true; }, error))
        return std::nullopt;
    return all;
}

}  // namespace nmail
