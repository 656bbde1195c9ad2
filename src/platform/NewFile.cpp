#include "platform/NewFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString TemporaryPrefix = QStringLiteral(".tessaly-");
const QString TemporarySuffix = QStringLiteral(".part");
}  // namespace

NewFile::NewFile(const QString& folder) : folder_(folder)
{
    fd_ = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: a hidden name of its own until it is complete.
        for (int tries = 0; tries < 100 && fd_ < 0; ++tries) {
            temporaryName_ = TemporaryPrefix + QString::number(QRandomGenerator::global()->generate64(), 36) + TemporarySuffix;
            fd_ = ::open(QFile::encodeName(QDir(folder).filePath(temporaryName_)).constData(),
                         O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
    }
    struct stat info {};
    if (fd_ < 0 || ::fchmod(fd_, 0600) != 0 || ::fstat(fd_, &info) != 0) {
        fail();
        return;
    }
    inode_ = info.st_ino;
}

NewFile::~NewFile()
{
    if (fd_ < 0)
        return;
    ::close(fd_);  // an unnamed file that never got its name is gone with it
    if (!temporaryName_.isEmpty())
        ::unlink(QFile::encodeName(QDir(folder_).filePath(temporaryName_)).constData());
}

bool NewFile::fail()
{
    error_ = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool NewFile::write(const char* data, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd_, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail();
        done += n;
        written_ += n;
    }
    return true;
}

void NewFile::startWriteBack(qint64 atLeast)
{
    if (fd_ < 0 || written_ - writeBackFrom_ < atLeast)
        return;
    ::sync_file_range(fd_, writeBackFrom_, 0, SYNC_FILE_RANGE_WRITE);  // 0: to the end of the file
    writeBackFrom_ = written_;
}

bool NewFile::giveName(const QString& name)
{
    const QByteArray target = QFile::encodeName(QDir(folder_).filePath(name));
    if (temporaryName_.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        // Without /proc, the file itself (a privilege Linux gives root).
        return errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, target.constData(), AT_EMPTY_PATH) == 0;
    }
    const QByteArray source = QFile::encodeName(QDir(folder_).filePath(temporaryName_));
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system that cannot rename without replacing still refuses a link to a taken name.
    return ::link(source.constData(), target.constData()) == 0 && ::unlink(source.constData()) == 0;
}

NewFile::Naming NewFile::tryName(const QString& name)
{
    if (fd_ < 0)
        return Naming::Failed;
    // Only a request to start writing to the disk: whoever relies on the file flushes it later.
    startWriteBack();
    if (!giveName(name))
        return errno == EEXIST ? Naming::Taken : (fail(), Naming::Failed);
    path_ = QDir(folder_).filePath(name);
    temporaryName_.clear();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed ? Naming::Named : (fail(), Naming::Failed);
}

void NewFile::removeLeftovers(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({TemporaryPrefix + u'*' + TemporarySuffix}, QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(dir.filePath(name));
}
