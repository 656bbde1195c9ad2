#include "app/receive/ReceivedFiles.h"

#include "platform/Cp932.h"
#include "platform/Digest.h"
#include "platform/DiskSpace.h"
#include "platform/NewFile.h"
#include "platform/TextFields.h"
#include "store/KeptMailLine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

ScratchFile::ScratchFile(const QString& attachmentFolder) : path_(QDir(attachmentFolder).filePath(QStringLiteral("0.txt")))
{
    const QByteArray native = QFile::encodeName(path_);
    ::unlink(native.constData());  // a link goes, not what it points to
    fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

ScratchFile::~ScratchFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(QFile::encodeName(path_).constData());
    }
}

QByteArray ScratchFile::write(const QByteArray& header, const QByteArray& text)
{
    const QByteArray contents = header + "\r\n" + text + "\r\n";
    // Rewriting one file in place costs far less than creating and deleting one per mail, and it
    // needs cutting only when the mail is shorter than the one before.
    if (fd_ >= 0) {
        const bool whole = ::pwrite(fd_, contents.constData(), size_t(contents.size()), 0) == contents.size();
        if (whole && contents.size() < written_)
            (void)::ftruncate(fd_, contents.size());
        written_ = whole ? contents.size() : std::max(written_, contents.size());
    }
    // Read back line by line, each line ends in CR LF: a bare LF gains its CR.
    QByteArray lines;
    lines.reserve(contents.size() + 1);
    for (qsizetype from = 0; from < contents.size();) {
        const qsizetype lf = contents.indexOf('\n', from);  // found: the contents end with one
        const qsizetype end = lf > 0 && contents[lf - 1] == '\r' ? lf - 1 : lf;
        lines.append(contents.constData() + from, end - from).append("\r\n");
        from = lf + 1;
    }
    lines += '\0';
    return lines;
}

namespace {

constexpr qsizetype Piece = 1024 * 1024;

// The SHA-1 of raw, read a piece at a time: a mail of any size passes through memory once.
QByteArray sha1(const nmail::MailBytes& raw)
{
    digest::Hash hash(digest::Algorithm::Sha1);
    for (size_t at = 0; at < raw.size(); at += Piece) {
        const std::string_view piece = raw.view().substr(at, Piece);
        hash.add(QByteArrayView(piece.data(), qsizetype(piece.size())));
        raw.release(at, at + piece.size());
    }
    return hash.result();
}

// Whether the file at path holds exactly the bytes of raw, read a piece at a time.
bool sameContent(const QString& path, const nmail::MailBytes& raw)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != qint64(raw.size()))
        return false;
    for (qint64 at = 0; at < file.size(); at += Piece) {
        const QByteArray piece = file.read(Piece);
        if (piece.isEmpty() || QByteArrayView(piece) != QByteArrayView(raw.view().data() + at, piece.size()))
            return false;
        raw.release(size_t(at), size_t(at + piece.size()));
    }
    return true;
}

}  // namespace

// The name belongs to the mail, not to its place in the history, so it stays true when records
// before it are deleted; the same mail fetched again (its deletion never reached the server)
// finds its own file already there.
KeptMail keepRawMail(const QString& folder, const nmail::MailBytes& raw, const QString& date, const FileNaming& naming)
{
    const std::string_view bytes = raw.view();
    const QDateTime sent = QDateTime::fromString(date.simplified(), Qt::RFC2822Date);
    const QString stem = QStringLiteral("mail-%1-%2")
                             .arg(sent.isValid() ? sent.toString(QStringLiteral("yyyyMMdd-HHmmss")) : QStringLiteral("undated"),
                                  QString::fromLatin1(sha1(raw).toHex().left(10)));
    // A mail that spilled into an unnamed file of this folder while it arrived is kept by naming
    // that file; any other is written out.
    NewFile* spool = raw.file() && raw.file()->isOpen() && QDir(raw.file()->folder()) == QDir(folder) ? raw.file() : nullptr;
    std::optional<NewFile> written;
    auto failure = [&](const QString& reason) { return KeptMail{{}, false, diskIsFull(folder) ? DiskFullText : reason}; };
    for (int n = 1; n < 10000;) {
        const QString name = n == 1 ? stem + QStringLiteral(".eml") : stem + QStringLiteral(" (%1).eml").arg(n);
        if (QFile::exists(QDir(folder).filePath(name))) {
            if (sameContent(QDir(folder).filePath(name), raw))
                return {name, false, {}};
            ++n;
            continue;
        }
        if (!spool && !written) {
            written.emplace(folder);
            if (!written->isOpen() || !written->write(bytes.data(), qint64(bytes.size())))
                return failure(written->error());
        }
        NewFile& file = spool ? *spool : *written;
        if (naming)
            naming(name, file.inode());
        switch (file.tryName(name)) {
        case NewFile::Naming::Named:
            return {name, true, {}};
        case NewFile::Naming::Taken:
            continue;  // by another at this very moment: look at it again
        case NewFile::Naming::Failed:
            if (!file.path().isEmpty())
                QFile::remove(file.path());
            return failure(file.error());
        }
    }
    return failure(QStringLiteral("同じ名前のファイルが多すぎます"));
}

QString withKeptMailLine(const QByteArray& text, const QString& note, const QString& fileName, qsizetype bodyBytes)
{
    const QString line = store::keptMailLine(fileName);
    const qsizetype room = bodyBytes - cp932::encode(note).size() - cp932::encode(line).size() - 2;
    const QString body = cp932::decode(textfields::cutBytes(cp932::decode(text), room)) + note;
    return body + (body.endsWith(QStringLiteral("\r\n")) ? QString() : QStringLiteral("\r\n")) + line;
}
