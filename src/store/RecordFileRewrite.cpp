#include "store/RecordFileRewrite.h"

#include "store/FileRangeCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <thread>
#include <utility>

namespace store {

namespace {

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
    int release() { return std::exchange(fd_, -1); }
    // Closing reports the last deferred write error on some file systems, so it is checked.
    bool close() { return ::close(release()) == 0; }

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

// Copies the kept whole records from source to target, neighbouring kept records in one run;
// false with errno set on a failure.
bool copyKeptRecords(int source, qint64 sourceSize, int target, qint64 recordSize, const KeepRecord& keep)
{
    const qint64 whole = sourceSize / recordSize;  // a partial record at the end is left behind
    const Mapping mapping(source, whole * recordSize);
    if (!mapping.ok())
        return false;
    FileRangeAppender appender(source, mapping.at(0), target, ::copy_file_range);
    qint64 runStart = 0;
    qint64 runEnd = 0;
    for (qint64 k = 0; k < whole; ++k) {
        const qint64 offset = k * recordSize;
        if (!keep(static_cast<int>(k + 1), QByteArrayView(mapping.at(offset), recordSize)))
            continue;
        if (offset != runEnd) {
            if (!appender.append(runStart, runEnd - runStart))
                return false;
            runStart = offset;
        }
        runEnd = offset + recordSize;
    }
    return appender.append(runStart, runEnd - runStart);
}

// Closing the last descriptor of the replaced file frees its blocks, which for a large history
// takes a tenth of a second or more where the file system discards freed blocks as it goes.
// The new file is complete and durable by then and nothing depends on the old one being gone, so
// the user does not wait for it: the descriptor is closed on a thread of its own.
void closeInBackground(Descriptor& replaced)
{
    const int fd = replaced.release();
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
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
    closeInBackground(source);
    return {};
}

std::int16_t inUseMark(QByteArrayView record, qsizetype inUseOffset)
{
    return qFromLittleEndian<std::int16_t>(record.data() + inUseOffset);
}

}  // namespace store
