// Deleting one entry of a full history (32767 records, about 664 MB) against `cp` of the same
// file, side by side in one run. The rewrite forces its data to disk before the rename, which a
// plain `cp` does not, so `cp` followed by `sync` of the copy is timed as well.
//
// Usage: store_rewrite_bench [folder] [rounds]   (default: the current folder, 5 rounds)
// Needs about 2 GB free in the folder; removes its files at the end.

#include "store/HistoryFile.h"
#include "store/RecordFileRewrite.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdio>
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

    std::vector<double> cp, cpSync, rewrite;
    for (int round = 1; round <= rounds; ++round) {
        cp.push_back(secondsOf(QStringLiteral("cp"), {path, copy}));
        QFile::remove(copy);
        cpSync.push_back(secondsOf(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$0\" \"$1\" && sync \"$1\""), path, copy}));
        QFile::remove(copy);

        // Mark the middle entry as "１件削除" does, then time the rewrite that drops it.
        HistoryRecord doomed = *readRecord(path, count / 2);
        doomed.InUse = 0;
        writeRecord(path, count / 2, doomed);
        ::sync();
        QElapsedTimer clock;
        clock.start();
        const StoreResult result = rewriteRecordFile(path, temp, HistoryRecordSize, [](int, QByteArrayView record) {
            return inUseMark(record, HistoryRecordSize - 2) != 0;
        });
        rewrite.push_back(clock.nsecsElapsed() / 1e9);
        if (!result.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(result.error));
            return 1;
        }
        --count;
        std::printf("round %d: cp %.3f s, cp+sync %.3f s, delete one entry %.3f s\n", round, cp.back(),
                    cpSync.back(), rewrite.back());
    }
    std::printf("median: cp %.3f s, cp+sync %.3f s, delete one entry %.3f s; "
                "ratio to cp %.2f, to cp+sync %.2f\n",
                median(cp), median(cpSync), median(rewrite), median(rewrite) / median(cp),
                median(rewrite) / median(cpSync));
    QFile::remove(path);
    QFile::remove(temp);
    return 0;
}
