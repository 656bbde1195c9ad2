#include "store/HistoryFile.h"

#include "platform/NumberRules.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return headings;
    const int count = static_cast<int>(file.size() / HistoryRecordSize);
    headings.reserve(count);
    for (int n = 0; n < count; ++n) {
        if (!file.seek(n * HistoryRecordSize))
            break;
        const QByteArray heading = file.read(HeadingSize);
        if (heading.size() != HeadingSize)
            break;
        headings.append(HistoryRecord::fromBytes(heading));
    }
    return headings;
}

int recordCount(const QString& path) { return static_cast<int>(QFileInfo(path).size() / HistoryRecordSize); }

}  // namespace store
