#include "store/HistoryFile.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace store {

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
    const int fd = file.handle();
    const qint64 count = file.size() / HistoryRecordSize;
    // Asking for every heading first lets the disk fetch them side by side instead of one after
    // the other; the bodies between them are not read.
    for (qint64 n = 0; n < count; ++n)
        ::posix_fadvise(fd, n * HistoryRecordSize, HeadingSize, POSIX_FADV_WILLNEED);
    char heading[HeadingSize];
    for (qint64 n = 0; n < count; ++n) {
        if (::pread(fd, heading, HeadingSize, n * HistoryRecordSize) != HeadingSize)
            break;
        visit(HistoryRecord::fromBytes(QByteArrayView(heading, HeadingSize)));
    }
}

int recordCount(const QString& path) { return static_cast<int>(QFileInfo(path).size() / HistoryRecordSize); }

}  // namespace store
