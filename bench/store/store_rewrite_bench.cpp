// Deleting one entry of a full history (32767 records, about 664 MB) against `cp` of the same
// file, side by side in one run. The rewrite forces its data to disk before the rename, which a
// plain `cp` does not, so `cp` followed by `sync` of the copy is timed as well.
//
// Warm: the history is in the page cache, as after the viewer has listed it and the user has
// read a few mails. Cold: its pages are dropped first (fdatasync, then
// posix_fadvise(POSIX_FADV_DONTNEED), which needs no root), so both the copy and the rewrite
// read it from the disk.
//
// The rewrite returns once the new file is durable and in place; the replaced file's blocks are
// freed after that on a thread of their own. "released" is the time until that thread has ended
// too, which is when the blocks are free.
//
// Usage: store_rewrite_bench [folder] [rounds]   (default: the current folder, 5 rounds)
// Needs about 2 GB free in the folder; removes its files at the end.

#include "store/HistoryFile.h"
#include "store/RecordFileRewrite.h"

#include "PageCache.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

using namespace store;

namespace {

// A realistic record: Japanese subject, sender, date and a body of varying length.
store::HistoryRecord sampleRecord(int n)
{
    HistoryRecord record;
    record.Subject = QStringLiteral("お知らせ 第%1号").arg(n);
    record.FieldA = QStringLiteral("sender%1@example.jp").arg(n % 97);
    record.FieldB = QStringLiteral("Tue, 8 Dec 2026 09:%1:00 +0900").arg(n % 60, 2, 10, QLatin1Char('0'));
    record.Body = QStringLiteral("こんにちは。本文の%1行目です。\r\n").arg(n).repeated(1 + n % 400);
    return record;
}

bool writeHistory(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (int n = 1; n <= count; ++n) {
        const QByteArray bytes = sampleRecord(n).toBytes();
        if (file.write(bytes) != bytes.size())
            return false;
    }
    return file.flush() && ::fsync(file.handle()) == 0;
}

// Every timing starts with no dirty pages left over from the step before.
double secondsOf(const QString& program, const QStringList& arguments)
{
    ::sync();
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
    return clock.nsecsElapsed() / 1e9;
}

double cpSyncSeconds(const QString& path, const QString& copy)
{
    const double seconds = secondsOf(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                            QStringLiteral("cp \"$0\" \"$1\" && sync \"$1\""), path, copy});
    QFile::remove(copy);
    return seconds;
}

int threadCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

struct Deletion {
    double returned;  // seconds until the rewrite returned
    double released;  // seconds until the replaced file was let go as well
};

// Marks the middle entry as "１件削除" does, then times the rewrite that drops it.
std::optional<Deletion> deleteMiddleEntry(const QString& path, const QString& temp, int count, bool cold)
{
    HistoryRecord doomed = *readRecord(path, count / 2);
    doomed.InUse = 0;
    writeRecord(path, count / 2, doomed);
    ::sync();
    if (cold)
        pagecache::evict(path);
    const int threads = threadCount();
    QElapsedTimer clock;
    clock.start();
    const StoreResult result = rewriteRecordFile(path, temp, HistoryRecordSize, [](int, QByteArrayView record) {
        return inUseMark(record, HistoryRecordSize - 2) != 0;
    });
    const double returned = clock.nsecsElapsed() / 1e9;
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        return std::nullopt;
    }
    while (threadCount() > threads && clock.elapsed() < 60000)
        QThread::usleep(500);
    return Deletion{returned, clock.nsecsElapsed() / 1e9};
}

struct Series {
    std::vector<double> values;
    double median() const
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    QString range() const
    {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return QStringLiteral("%1–%2 s (median %3)").arg(*low, 0, 'f', 3).arg(*high, 0, 'f', 3).arg(median(), 0, 'f', 3);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const QString path = QDir(folder).filePath(QStringLiteral("zeldata2.data"));
    const QString temp = QDir(folder).filePath(QStringLiteral("ZELDATA2.TMP"));
    const QString copy = QDir(folder).filePath(QStringLiteral("zeldata2.copy"));

    int count = MaxRecordNumber;
    if (!writeHistory(path, count)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("history: %d records, %lld bytes\n", count, static_cast<long long>(QFileInfo(path).size()));

    Series cp, cpSync, deletion, released, cpSyncCold, deletionCold, releasedCold;
    for (int round = 1; round <= rounds; ++round) {
        cp.values.push_back(secondsOf(QStringLiteral("cp"), {path, copy}));
        QFile::remove(copy);
        cpSync.values.push_back(cpSyncSeconds(path, copy));
        const std::optional<Deletion> warm = deleteMiddleEntry(path, temp, count--, false);
        pagecache::evict(path);
        cpSyncCold.values.push_back(cpSyncSeconds(path, copy));
        const std::optional<Deletion> cold = deleteMiddleEntry(path, temp, count--, true);
        if (!warm || !cold)
            return 1;
        deletion.values.push_back(warm->returned);
        released.values.push_back(warm->released);
        deletionCold.values.push_back(cold->returned);
        releasedCold.values.push_back(cold->released);
        std::printf("round %d: cp %.3f s, cp+sync %.3f s, delete one entry %.3f s (released %.3f s); "
                    "cold: cp+sync %.3f s, delete one entry %.3f s (released %.3f s)\n",
                    round, cp.values.back(), cpSync.values.back(), warm->returned, warm->released,
                    cpSyncCold.values.back(), cold->returned, cold->released);
    }
    std::printf("warm: cp %s, cp+sync %s\n      delete one entry %s, released %s\n", qPrintable(cp.range()),
                qPrintable(cpSync.range()), qPrintable(deletion.range()), qPrintable(released.range()));
    std::printf("cold: cp+sync %s\n      delete one entry %s, released %s\n", qPrintable(cpSyncCold.range()),
                qPrintable(deletionCold.range()), qPrintable(releasedCold.range()));
    std::printf("ratio of the medians to cp+sync: warm %.2f (released %.2f), cold %.2f (released %.2f)\n",
                deletion.median() / cpSync.median(), released.median() / cpSync.median(),
                deletionCold.median() / cpSyncCold.median(), releasedCold.median() / cpSyncCold.median());
    QFile::remove(path);
    QFile::remove(temp);
    return 0;
}
