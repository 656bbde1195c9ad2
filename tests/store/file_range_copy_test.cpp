// Appending ranges of one file to another: by the kernel, by writing where the kernel or the file
// system refuses (also after copying a part), and a real copy failure reported as one.

#include "store/FileRangeCopy.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace store;

namespace {

// Plays a kernel that copies at most `copies` times, `bytes` bytes each, then fails with `error`.
struct KernelScript {
    int copies = 0;
    qint64 bytes = 0;
    int error = 0;
    int calls = 0;
};
KernelScript script;

ssize_t scriptedCopy(int source, off64_t* sourceOffset, int target, off64_t* targetOffset, size_t length,
                     unsigned int flags)
{
    ++script.calls;
    if (script.copies-- <= 0) {
        errno = script.error;
        return -1;
    }
    return ::copy_file_range(source, sourceOffset, target, targetOffset,
                             qMin<size_t>(length, static_cast<size_t>(script.bytes)), flags);
}

// Slices far smaller than the ranges, so that every range crosses slice ends.
constexpr qint64 SliceBytes = 4 * 1024 * 1024;

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

struct Appended {
    bool ok = false;
    int error = 0;  // errno when !ok
    QByteArray bytes;  // the target afterwards
};

// Writes the source, maps it and appends the ranges to a new target.
Appended appendRanges(const QString& sourcePath, const QString& targetPath, const QByteArray& source,
                      const QList<QPair<qint64, qint64>>& ranges, KernelCopy copy)
{
    QFile sourceFile(sourcePath);
    QFile targetFile(targetPath);
    if (!sourceFile.open(QIODevice::ReadWrite | QIODevice::Truncate) || sourceFile.write(source) != source.size()
        || !sourceFile.flush() || !targetFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    void* mapped = ::mmap(nullptr, static_cast<size_t>(source.size()), PROT_READ, MAP_SHARED, sourceFile.handle(), 0);
    FileRangeAppender appender(sourceFile.handle(), static_cast<const char*>(mapped), targetFile.handle(), copy,
                               SliceBytes);
    Appended result{true, 0, {}};
    for (const auto& [offset, size] : ranges) {
        if (result.ok && !appender.append(offset, size))
            result = {false, errno, {}};
    }
    ::munmap(mapped, static_cast<size_t>(source.size()));
    targetFile.close();
    QFile target(targetPath);
    result.bytes = target.open(QIODevice::ReadOnly) ? target.readAll() : QByteArray();
    return result;
}

}  // namespace

class FileRangeCopyTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    const QByteArray source_ = randomBytes(20 * 1024 * 1024);
    const QList<QPair<qint64, qint64>> ranges_{{0, 9'000'001}, {9'020'285, 11'000'000}, {5, 0}};
    QByteArray expected() const
    {
        QByteArray bytes;
        for (const auto& [offset, size] : ranges_)
            bytes += source_.mid(offset, size);
        return bytes;
    }

private slots:
    void rangesArriveInOrder_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("expectedCalls");
        QTest::newRow("kernel copies everything") << 1000 << 0 << -1;
        QTest::newRow("refused: other file system") << 0 << EXDEV << 1;
        QTest::newRow("refused: not supported") << 0 << EOPNOTSUPP << 1;
        QTest::newRow("refused: no such call") << 0 << ENOSYS << 1;
        QTest::newRow("refused after copying a part") << 3 << EINVAL << 4;
    }
    void rangesArriveInOrder()
    {
        QFETCH(int, copies);
        QFETCH(int, error);
        QFETCH(int, expectedCalls);
        script = {copies, 3'000'000, error, 0};
        const Appended appended = appendRanges(dir_.filePath("source"), dir_.filePath("target"), source_,
                                               ranges_, scriptedCopy);
        QVERIFY(appended.ok);
        QVERIFY(appended.bytes == expected());
        if (expectedCalls >= 0)
            QCOMPARE(script.calls, expectedCalls);  // once refused, never asked again
    }

    // A real kernel refusing (Linux 6 does): the two files lie on different file systems.
    void acrossFileSystemsTheBytesAreWritten()
    {
        QTemporaryDir memory(QStringLiteral("/dev/shm/range-copy-XXXXXX"));
        if (!memory.isValid())
            QSKIP("no /dev/shm here");
        const Appended appended = appendRanges(dir_.filePath("source"), memory.filePath("target"), source_,
                                               ranges_, ::copy_file_range);
        QVERIFY(appended.ok);
        QVERIFY(appended.bytes == expected());
    }

    void aFailedCopyIsReportedNotPatchedOver()
    {
        script = {1, 1'000'000, EIO, 0};
        const Appended appended = appendRanges(dir_.filePath("source"), dir_.filePath("target"), source_,
                                               ranges_, scriptedCopy);
        QVERIFY(!appended.ok);
        QCOMPARE(appended.error, EIO);
        QCOMPARE(script.calls, 2);
        QCOMPARE(appended.bytes, source_.first(1'000'000));
    }
};

QTEST_GUILESS_MAIN(FileRangeCopyTest)
#include "file_range_copy_test.moc"
