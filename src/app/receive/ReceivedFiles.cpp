#include "app/receive/ReceivedFiles.h"

#include "platform/Cp932.h"
#include "platform/DiskSpace.h"
#include "platform/TextFields.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString KeptMailLine =
    QStringLiteral("※この記録に収まらない部分があるため、元のメールを添付フォルダの「%1」に保存しました。");
constexpr auto OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
}  // namespace

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
    // Rewriting one file in place costs far less than creating and deleting one per mail.
    if (fd_ >= 0 && ::pwrite(fd_, contents.constData(), size_t(contents.size()), 0) == contents.size())
        (void)::ftruncate(fd_, contents.size());
    QByteArray whole;
    whole.reserve(contents.size() + 1);
    for (QByteArray line : contents.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        whole += line;
        whole += "\r\n";
    }
    // split() gives one empty piece after the final line end.
    whole.chop(2);
    whole += '\0';
    return whole;
}

// The name belongs to the mail, not to its place in the history, so it stays true when records
// before it are deleted; the same mail fetched again (its deletion never reached the server)
// finds its own file already there.
KeptMail keepRawMail(const QString& folder, QByteArrayView raw, const QString& date)
{
    const QDateTime sent = QDateTime::fromString(date.simplified(), Qt::RFC2822Date);
    const QString stem = QStringLiteral("mail-%1-%2")
                             .arg(sent.isValid() ? sent.toString(QStringLiteral("yyyyMMdd-HHmmss")) : QStringLiteral("undated"),
                                  QString::fromLatin1(QCryptographicHash::hash(raw, QCryptographicHash::Sha1).toHex().left(10)));
    QString name = stem + QStringLiteral(".eml");
    for (int n = 2;; ++n) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::NewOnly | QIODevice::WriteOnly, OwnerOnly)) {
            if (file.write(raw.constData(), raw.size()) == raw.size() && file.flush())
                return {name, true, {}};
            // A part of the mail on a full disk would look like the whole of it.
            const QString error = diskIsFull(folder) ? DiskFullText : file.errorString();
            file.remove();
            return {{}, false, error};
        }
        if (!file.exists() || n > 9999)
            return {{}, false, diskIsFull(folder) ? DiskFullText : file.errorString()};
        if (file.open(QIODevice::ReadOnly) && file.size() == raw.size() && file.readAll() == raw)
            return {name, false, {}};
        name = stem + QStringLiteral(" (%1).eml").arg(n);
    }
}

QString withKeptMailLine(const QByteArray& text, const QString& note, const QString& fileName, qsizetype bodyBytes)
{
    const QString line = KeptMailLine.arg(fileName);
    const qsizetype room = bodyBytes - cp932::encode(note).size() - cp932::encode(line).size() - 2;
    const QString body = cp932::decode(textfields::cutBytes(cp932::decode(text), room)) + note;
    return body + (body.endsWith(QStringLiteral("\r\n")) ? QString() : QStringLiteral("\r\n")) + line;
}
