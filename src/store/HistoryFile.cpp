#include "store/HistoryFile.h"

#include "platform/NumberRules.h"

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

int NextRecordNumber(const QString& path)
{
    const double records = static_cast<double>(QFileInfo(path).size()) / HistoryRecordSize;
    return static_cast<int>(numberrules::roundHalfEven(records + 1.0));
}

StoreResult writeRecord(const QString& path, int number, const HistoryRecord& record)
{
    if (number < 1 || number > MaxRecordNumber) {
        return {false, QStringLiteral("履歴ファイルが一杯です（最大 %1 件）。不要な履歴を削除してください。\n%2")
                           .arg(MaxRecordNumber)
                           .arg(path)};
    }
    QFile file(path);
    if (!QFileInfo(path).absoluteDir().exists()) {
        return {false, QStringLiteral("データフォルダがありません。\n%1").arg(QFileInfo(path).absolutePath())};
    }
    const QByteArray bytes = record.toBytes();
    if (!file.open(QIODevice::ReadWrite))
        return {false, QStringLiteral("履歴ファイルを開けませんでした。\n%1\n%2").arg(path, file.errorString())};
    const qint64 oldSize = file.size();
    const bool written = file.seek((number - 1) * HistoryRecordSize)
        && file.write(bytes) == bytes.size()
        && file.flush()
        && ::fsync(file.handle()) == 0;
    if (!written) {
        // A half-written record (disk full) would shift the numbering of every later append.
        if (file.size() > oldSize)
            file.resize(oldSize);
        return {false, QStringLiteral("履歴ファイルに書き込めませんでした。\n%1\n%2").arg(path, file.errorString())};
    }
    return {};
}

std::optional<HistoryRecord> readRecord(const QString& path, int number)
{
    QFile file(path);
    if (number < 1 || !file.open(QIODevice::ReadOnly) || !file.seek((number - 1) * HistoryRecordSize))
        return std::nullopt;
    const QByteArray bytes = file.read(HistoryRecordSize);
    if (bytes.size() != HistoryRecordSize)
        return std::nullopt;
    return HistoryRecord::fromBytes(bytes);
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
