#include "store/RecordFileRewrite.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// Kept records are copied in slices of this size; after each slice the kernel is asked to start
// writing it out, so that little is left for the final fsync.
constexpr qint64 SliceBytes = 64 * 1024 * 1024;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing reports the last deferred write error on some file systems, so it is checked.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// The whole records of the original, mapped read-only: the filter looks at records in place and
// only the pages it touches are read.
class Mapping {
public:
    Mapping(int fd, qint64 size)
        : size_(size)
        , data_(size > 0 ? ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0) : nullptr)
    {
    }
    ~Mapping()
    {
        if (ok() && data_ != nullptr)
            ::munmap(data_, static_cast<size_t>(size_));
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    bool ok() const { return data_ != MAP_FAILED; }
    const char* at(qint64 offset) const { return static_cast<const char*>(data_) + offset; }

private:
    qint64 size_;
    void* data_;
};

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, static_cast<size_t>(size));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        size -= put;
    }
    return true;
}

// Appends bytes [offset, offset + size) of the source to the target. The kernel copies them
// itself where it can, as cp does; where the file system cannot, they are written from the
// mapping.
bool copyRun(int source, const Mapping& mapping, qint64 offset, qint64 size, int target)
{
    while (size > 0) {
        loff_t from = offset;
        const ssize_t copied = ::copy_file_range(source, &from, target, nullptr,
                                                 static_cast<size_t>(qMin(size, SliceBytes)), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            return writeAll(target, mapping.at(offset), size);
        if (copied <= 0) {
            if (copied == 0)
                errno = EIO;  // the original shrank under us
            return false;
        }
        offset += copied;
        size -= copied;
        ::sync_file_range(target, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    return true;
}

// Copies the kept whole records from source to target, neighbouring kept records in one run;
// false with errno set on a failure.
bool copyKeptRecords(int source, qint64 sourceSize, int target, qint64 recordSize, const KeepRecord& keep)
{
    const qint64 whole = sourceSize / recordSize;  // a partial record at the end is left behind
    const Mapping mapping(source, whole * recordSize);
    if (!mapping.ok())
        return false;
    qint64 runStart = 0;
    qint64 runEnd = 0;
    for (qint64 k = 0; k < whole; ++k) {
        const qint64 offset = k * recordSize;
        if (!keep(static_cast<int>(k + 1), QByteArrayView(mapping.at(offset), recordSize)))
            continue;
        if (offset != runEnd) {
            if (!copyRun(source, mapping, runStart, runEnd - runStart, target))
                return false;
            runStart = offset;
        }
        runEnd = offset + recordSize;
    }
    return copyRun(source, mapping, runStart, runEnd - runStart, target);
}

// Makes the rename itself durable. It has already taken effect, so a failure here has nothing
// left to undo and is not reported.
void syncFolder(const QString& path)
{
    Descriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
}

QString failure(const QString& path, const QString& step, int error)
{
    return QStringLiteral("ファイルを書き換えられませんでした。元のファイルは変更されていません。\n%1\n%2: %3")
        .arg(path, step, reason(error));
}

}  // namespace

StoreResult rewriteRecordFile(const QString& path, const QString& tempPath, qint64 recordSize,
                              const KeepRecord& keep)
{
    Descriptor source(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    struct stat original {};
    if (!source.valid() || ::fstat(source.get(), &original) != 0)
        return {false, failure(path, QStringLiteral("読み込み"), errno)};

    const QByteArray temp = QFile::encodeName(tempPath);
    // O_TRUNC: whatever an interrupted earlier rewrite left under this name is discarded unread.
    Descriptor target(::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!target.valid())
        return {false, failure(path, QStringLiteral("一時ファイル %1 の作成").arg(tempPath), errno)};

    const auto abandon = [&](const QString& step) {
        const int error = errno;
        if (target.valid())
            target.close();
        ::unlink(temp.constData());
        return StoreResult{false, failure(path, step, error)};
    };
    // The new file takes the original's permissions, whatever the umask or a stale file had.
    if (::fchmod(target.get(), original.st_mode & 07777) != 0)
        return abandon(QStringLiteral("一時ファイル %1 の作成").arg(tempPath));
    if (!copyKeptRecords(source.get(), original.st_size, target.get(), recordSize, keep))
        return abandon(QStringLiteral("一時ファイル %1 への書き込み").arg(tempPath));
    if (::fsync(target.get()) != 0 || !target.close())
        return abandon(QStringLiteral("一時ファイル %1 の保存").arg(tempPath));
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0)
        return abandon(QStringLiteral("一時ファイル %1 の置き換え").arg(tempPath));
    syncFolder(path);
    return {};
}

std::int16_t inUseMark(QByteArrayView record, qsizetype inUseOffset)
{
    return qFromLittleEndian<std::int16_t>(record.data() + inUseOffset);
}

}  // namespace store
