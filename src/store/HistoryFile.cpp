#include "store/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace store {

namespace {

// Headings asked of the disk ahead of the one being read while the file is not in memory:
// enough requests side by side to keep the disk busy, few enough that the heading needed next
// is not queued behind thousands of others.
constexpr qint64 PrefetchWindow = 256;

// The headings of a history are small reads a record apart. From the page cache each is a
// plain copy; from the disk each is a request of its own, and a disk answers many requests side
// by side far sooner than one after the other, so while the file is not in memory the next
// headings are requested together, a window ahead of the one being read.
class HeadingReader {
public:
    HeadingReader(int fd, qint64 count) : fd_(fd), count_(count)
    {
        // Only the headings are wanted: the kernel's own read-ahead would fetch body pages.
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
    }

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
        }
        requestAhead(index);
        return ::pread(fd_, heading, HeadingSize, offset) == HeadingSize;
    }

private:
    void requestAhead(qint64 index)
    {
        const qint64 end = qMin(count_, index + PrefetchWindow);
        for (qint64 n = qMax(requested_, index); n < end; ++n)
            ::posix_fadvise(fd_, n * HistoryRecordSize, HeadingSize, POSIX_FADV_WILLNEED);
        requested_ = qMax(requested_, end);
    }

    int fd_;
    qint64 count_;
    qint64 requested_ = 0;  // the headings before this one have been requested
    bool askCacheFirst_ = true;
};

}  // namespace

QString historyPath(const ProgramFolder& folder, HistoryKind kind)
{
    return folder.path(kind == HistoryKind::Received ? u"\\★MAilData\\zeldata2.data"
                                                     : u"\\★MAilData\\zeldata5.data");
}

int NextRecordNumber(const QString& path) { return nextRecordNumber(path, HistoryRecordSize); }

StoreResult writeRecord(const QString& path, int number, const HistoryRecord& record, Durability durability)
{
    return writeRecordBytes(path, number, record.toBytes(),
                            {QStringLiteral("履歴ファイル"), QStringLiteral("履歴")}, durability);
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
