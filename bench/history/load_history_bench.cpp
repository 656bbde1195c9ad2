// Opening a full received history: builds a history of 32767 records in a temporary program
// folder and reports how long loading it into the viewer takes and how much memory the process
// holds at its peak.
//
// The file is sparse: each record's heading, body start and record end are written, the rest of
// the body is a hole (zero bytes where a real file has padding spaces). Loading reads only the
// headings and the last record, which is written whole.
//
// With "dense" every record is written whole, as in a real file; this shows what a cold page
// cache costs when the bodies are really on the disk.
//
// Cold runs drop the file's pages from the page cache first without root: fdatasync, then
// posix_fadvise(POSIX_FADV_DONTNEED); the pages still in memory are counted (mincore) and shown,
// so a run that could not evict them is seen. Cold and warm runs alternate, several of each, as
// the machine may be busy with other work.
//
// Usage: load_history_bench [records [dense]]   (QT_QPA_PLATFORM=offscreen when headless)

#include "SilentSeams.h"
#include "app/ProgramState.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "store/HistoryFile.h"

#include "PageCache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

namespace {

bool buildHistory(const QString& path, int records, bool dense)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int n = 1; n <= records; ++n) {
        store::HistoryRecord record;
        record.Subject = QStringLiteral("お知らせ %1").arg(n);
        record.FieldA = QStringLiteral("sender%1@example.jp").arg(n);
        record.FieldB = QStringLiteral("Mon, 7 Dec 2026 10:%1:00 +0900").arg(n % 60, 2, 10, QLatin1Char('0'));
        record.Body = QStringLiteral("本文 %1\r\n二行目").arg(n);
        const QByteArray bytes = record.toBytes();
        const qint64 start = (n - 1) * store::HistoryRecordSize;
        // The last record is shown whole, so it is written whole; in the others only the body's
        // start is written and the rest stays a hole.
        const qint64 written = dense || n == records ? store::HistoryRecordSize : store::HeadingSize + 64;
        if (!file.seek(start) || file.write(bytes.first(written)) != written
            || !file.seek(start + store::HistoryRecordSize - 4) || file.write(bytes.last(4)) != 4)
            return false;
    }
    return true;
}

constexpr int Runs = 7;

struct Load {
    qint64 wall;  // milliseconds
    qint64 cpu;   // milliseconds of this thread's processor time: what other work on the machine
                  // changes least
};

qint64 threadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Fills the viewer, which is then shown as the main window shows it.
Load timedLoad(TyakuForm& viewer, ProgramState& state)
{
    const qint64 cpu = threadCpuMs();
    QElapsedTimer clock;
    clock.start();
    history::LoadHistory(viewer, state, store::HistoryKind::Received);
    viewer.show();
    QApplication::processEvents();
    return {clock.elapsed(), threadCpuMs() - cpu};
}

QString summary(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return QStringLiteral("%1–%2 ms, median %3 ms of %4 runs")
        .arg(values.first())
        .arg(values.last())
        .arg(values.at(values.size() / 2))
        .arg(values.size());
}

long peakResidentKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program maps the designed font names to the installed Japanese fonts at start-up;
    // without that every text layout searches fontconfig for fallbacks.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {QStringLiteral("Noto Sans CJK JP")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), {QStringLiteral("Noto Sans Mono CJK JP")});
    app.setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    const int records = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : store::MaxRecordNumber;
    QTextStream out(stdout);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("★MAilData"));
    ProgramState state{ProgramFolder(dir.path())};
    const QString path = store::historyPath(state.folder, store::HistoryKind::Received);
    QElapsedTimer clock;
    clock.start();
    const bool dense = argc > 2 && QByteArray(argv[2]) == "dense";
    if (!buildHistory(path, records, dense)) {
        out << "could not build " << path << "\n";
        return 1;
    }
    out << "history: " << records << " records, " << QFile(path).size() / (1024 * 1024) << " MiB, built in "
        << clock.elapsed() << " ms\n";

    SilentSeams silent;
    TyakuForm viewer(state, silent.seams());
    out << "peak RSS before loading: " << peakResidentKiB() / 1024 << " MiB\n";

    // Cold: the file's pages are not in memory, as after a reboot. Warm: the usual case of a
    // history opened again.
    QList<qint64> cold, coldCpu, disk, warm, warmCpu;
    for (int run = 0; run < Runs; ++run) {
        pagecache::evict(path);
        const qint64 resident = pagecache::residentPages(path);
        const Load first = timedLoad(viewer, state);
        // The same pages read from the disk again with nothing made of them: what the disk
        // alone takes for the headings this way.
        pagecache::evict(path);
        QElapsedTimer headings;
        headings.start();
        store::forEachHeading(path, [](const store::HistoryRecord&) {});
        disk.append(headings.elapsed());
        const Load again = timedLoad(viewer, state);
        cold.append(first.wall);
        coldCpu.append(first.cpu);
        warm.append(again.wall);
        warmCpu.append(again.cpu);
        out << "run " << run + 1 << ": cold " << first.wall << " ms (cpu " << first.cpu << " ms; " << resident
            << " pages in memory before; the headings alone " << disk.last() << " ms), warm " << again.wall
            << " ms (cpu " << again.cpu << " ms)\n";
        out.flush();
    }
    out << "LoadHistory cold: " << summary(cold) << "; cpu " << summary(coldCpu) << "\n";
    out << "headings alone, cold: " << summary(disk) << "\n";
    out << "LoadHistory warm: " << summary(warm) << "; cpu " << summary(warmCpu) << "; " << viewer.List1->count()
        << " lines\n";
    out << "peak RSS after loading: " << peakResidentKiB() / 1024 << " MiB\n";
    return 0;
}
