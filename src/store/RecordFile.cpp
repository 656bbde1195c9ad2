#include "store/RecordFile.h"

#include "platform/NumberRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace store {

namespace {
// How many records written for a later flush go to the disk at a time (64 history records are
// 1.3 MB).
constexpr qsizetype WritebackRecords = 64;
}  // namespace

int nextRecordNumber(const QString& path, qint64 recordSize)
{
    const double records = static_cast<double>(QFileInfo(path).size()) / static_cast<double>(recordSize);
    return static_cast<int>(numberrules::roundHalfEven(records + 1.0));
}

StoreResult roomForRecord(const QString& path, int number, const RecordFileWords& words)
{
    if (number >= 1 && number <= MaxRecordNumber)
        return {};
    return {false, QStringLiteral("%1が一杯です（最大 %2 件）。不要な%3を削除してください。\n%4")
                       .arg(words.file)
                       .arg(MaxRecordNumber)
                       .arg(words.entries, path)};
}

StoreResult writeRecordBytes(const QString& path, int number, const QByteArray& bytes,
                             const RecordFileWords& words, Durability durability)
{
    return writeRecordRun(path, number, {bytes}, words, durability, {});
}

StoreResult writeRecordRun(const QString& path, int first, const QList<QByteArray>& records, const RecordFileWords& words,
                           Durability durability, const std::function<bool(qsizetype)>& written)
{
    if (records.isEmpty())
        return {};
    if (const StoreResult room = roomForRecord(path, first, words); !room.ok)
        return room;
    if (!QFileInfo(path).absoluteDir().exists())
        return {false, QStringLiteral("データフォルダがありません。\n%1").arg(QFileInfo(path).absolutePath())};
    QFile file(path);
    // A file created here holds mail or addresses: readable by the user alone, whatever the umask.
    if (!file.open(QIODevice::ReadWrite, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return {false, QStringLiteral("%1を開けませんでした。\n%2\n%3").arg(words.file, path, file.errorString())};
    const qint64 recordSize = records.front().size();
    // Records the caller makes durable later are handed to the disk a few at a time as they are
    // written: the disk writes them while the caller goes on, and its flush has little left.
    qsizetype writebackFrom = 0;
    auto startWriteback = [&](qsizetype end) {
        if (durability == Durability::FlushedByCaller && end > writebackFrom)
            ::sync_file_range(file.handle(), (first + writebackFrom - 1) * recordSize, (end - writebackFrom) * recordSize,
                              SYNC_FILE_RANGE_WRITE);
        writebackFrom = end;
    };
    qint64 size = file.size();  // only this loop writes to the file while it runs
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QByteArray& bytes = records[i];
        if (const StoreResult room = roomForRecord(path, first + int(i), words); !room.ok)
            return room;
        const qint64 offset = (first + i - 1) * recordSize;
        const bool ok = file.seek(offset) && file.write(bytes) == bytes.size() && file.flush()
            && (durability == Durability::FlushedByCaller || ::fsync(file.handle()) == 0);
        if (!ok) {
            if (file.size() > size)
                file.resize(size);
            return {false, QStringLiteral("%1に書き込めませんでした。\n%2\n%3").arg(words.file, path, file.errorString())};
        }
        size = std::max(size, offset + bytes.size());
        if (i + 1 - writebackFrom == WritebackRecords)
            startWriteback(i + 1);
        if (written && !written(i)) {
            startWriteback(i + 1);
            return {};
        }
    }
    startWriteback(records.size());
    return {};
}

std::optional<QByteArray> readRecordBytes(const QString& path, int number, qint64 recordSize)
{
    QFile file(path);
    if (number < 1 || !file.open(QIODevice::ReadOnly) || !file.seek((number - 1) * recordSize))
        return std::nullopt;
    QByteArray bytes = file.read(recordSize);
    if (bytes.size() != recordSize)
        return std::nullopt;
    return bytes;
}

}  // namespace store
