#include "store/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace store {

namespace {

// The headings of a history are small reads a record apart. From the page cache each is a
// plain copy. From the disk each is a request of its own: a disk answers many requests side by
// side far sooner than one after the other, but handing each request to the disk costs the
// processor about as much as turning all the headings into list lines. So once a heading is found
// missing from memory, a helper thread asks the kernel for the rest of them in order, ahead of
// the reader, while the reader goes on reading and the caller turns what was read into lines.
// The helper only passes hints to the kernel; it touches no data of the program.
class HeadingReader {
public:
    HeadingReader(int fd, qint64 count) : fd_(fd), count_(count)
    {
        // Only the headings are wanted: the kernel's own read-ahead would fetch body pages.
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
    }

    ~HeadingReader()
    {
        if (helper_.joinable()) {
            stop_ = true;
            helper_.join();
        }
    }

    HeadingReader(const HeadingReader&) = delete;
    HeadingReader& operator=(const HeadingReader&) = delete;

    qint64 count() const { return count_; }

    // The heading of record index (from 0) into heading; false when it cannot be read whole.
    bool read(qint64 index, char* heading)
    {
        const qint64 offset = index * HistoryRecordSize;
        if (askCacheFirst_) {
            iovec part{heading, HeadingSize};
            const ssize_t got = ::preadv2(fd_, &part, 1, offset, RWF_NOWAIT);
            if (got == HeadingSize)
                return true;
            // Some file systems cannot tell without waiting; their files are read plainly.
            askCacheFirst_ = !(got < 0 && errno == EOPNOTSUPP);
            requestFrom(index + 1);
        }
        return ::pread(fd_, heading, HeadingSize, offset) == HeadingSize;
    }

private:
    void requestFrom(qint64 first)
    {
        if (helper_.joinable() || first >= count_)
            return;
        try {
            helper_ = std::thread([this, first] {
                for (qint64 n = first; n < count_ && !stop_; ++n)
                    ::posix_fadvise(fd_, n * HistoryRecordSize, HeadingSize, POSIX_FADV_WILLNEED);
            });
        } catch (const std::system_error&) {
            // Without the helper every heading is read when it is needed: slower, same result.
        }
    }

    int fd_;
    qint64 count_;
    bool askCacheFirst_ = true;
    std::atomic<bool> stop_ = false;
    std::thread helper_;
};

}  // namespace

QString historyPath(const ProgramFolder& folder, HistoryKind kind)
{
    return folder.path(kind == HistoryKind::Received ? u"\\★MAilData\\zeldata2.data"
                                                     : u"\\★MAilData\\zeldata5.data");
}

int NextRecordNumber(const QString& path) { return nextRecordNumber(path, HistoryRecordSize); }

namespace {
const RecordFileWords HistoryWords{QStringLiteral("履歴ファイル"), QStringLiteral("履歴")};
}  // namespace

StoreResult writeRecord(const QString& path, int number, const HistoryRecord& record, Durability durability)
{
    return writeRecordBytes(path, number, record.toBytes(), HistoryWords, durability);
}

StoreResult writeRecordBytes(const QString& path, int number, const QByteArray& bytes, Durability durability)
{
    return writeRecordBytes(path, number, bytes, HistoryWords, durability);
}

StoreResult writeRecordRun(const QString& path, int first, const QList<QByteArray>& records, Durability durability,
                           const std::function<bool(qsizetype)>& written)
{
    return writeRecordRun(path, first, records, HistoryWords, durability, written);
}

StoreResult roomForRecord(const QString& path, int number) { return roomForRecord(path, number, HistoryWords); }

StoreResult cutPartialRecord(const QString& path)
{
    const qint64 length = QFileInfo(path).size();
    if (length % HistoryRecordSize == 0 || QFile::resize(path, length - length % HistoryRecordSize))
        return {};
    return {false, QStringLiteral("履歴ファイルの途中で切れた最後の記録を取り除けませんでした。\n%1").arg(path)};
}

std::optional<HistoryRecord> readRecord(const QString& path, int number)
{
    const std::optional<QByteArray> bytes = readRecordBytes(path, number, HistoryRecordSize);
    return bytes ? std::optional(HistoryRecord::fromBytes(*bytes)) : std::nullopt;
}

QList<HistoryRecord> readHeadings(const QString& path)
{
    QList<HistoryRecord> headings;
    forEachHeading(path, [&headings](const HistoryRecord& heading) { headings.append(heading); });
    return headings;
}

void forEachHeading(const QString& path, const std::function<void(const HistoryRecord&)>& visit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    HeadingReader reader(file.handle(), file.size() / HistoryRecordSize);
    char heading[HeadingSize];
    for (qint64 n = 0; n < reader.count() && reader.read(n, heading); ++n)
        visit(HistoryRecord::fromBytes(QByteArrayView(heading, HeadingSize)));
}

int recordCount(const QString& path) { return static_cast<int>(QFileInfo(path).size() / HistoryRecordSize); }

}  // namespace store
