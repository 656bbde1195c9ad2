// The history record byte by byte, the numbering rule and record access on real files.

#include "platform/Cp932.h"
#include "store/HistoryFile.h"
#include "TempProgramFolder.h"

#include "PageCache.h"

#include <QFile>
#include <QtTest>

using namespace store;

namespace {

QByteArray spaces(qsizetype n) { return QByteArray(n, ' '); }

void growTo(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(size));
}

// A history of count records built byte by byte: a subject telling the record's number (every
// third one in Japanese, "件名" and the number), sender, date, and a body of no spaces.
QByteArray numberedHistory(int count)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n) {
        const QByteArray number = QByteArray::number(n);
        const QByteArray subject = (n % 3 == 0 ? QByteArray("\x8c\x8f\x96\xbc") : QByteArray("subject ")) + number;
        bytes += subject.leftJustified(100, ' ') + ("a" + number + "@example.jp").leftJustified(90, ' ')
            + ("d" + number).leftJustified(90, ' ') + QByteArray(20000, 'b') + QByteArray("\r\n\x01\x00", 4);
    }
    return bytes;
}

}  // namespace

class HistoryFileTest : public QObject {
    Q_OBJECT

private slots:
    void receivedRecordBytes()
    {
        HistoryRecord record;
        record.Subject = QStringLiteral("件名");
        record.setAddressField(HistoryKind::Received, QStringLiteral("a@b.jp"));
        record.setDateField(HistoryKind::Received, QStringLiteral("Mon, 7 Dec 2026"));
        record.Body = QStringLiteral("本文\r\n");
        const QByteArray bytes = record.toBytes();
        QCOMPARE(bytes.size(), HistoryRecordSize);
        QCOMPARE(bytes.left(100), QByteArray("\x8c\x8f\x96\xbc") + spaces(96));
        QCOMPARE(bytes.mid(100, 90), QByteArray("a@b.jp") + spaces(84));  // sender in FieldA
        QCOMPARE(bytes.mid(190, 90), QByteArray("Mon, 7 Dec 2026") + spaces(75));
        QCOMPARE(bytes.mid(280, 6), QByteArray("\x96\x7b\x95\xb6\r\n"));
        QCOMPARE(bytes.mid(286, 19994), spaces(19994));
        QCOMPARE(bytes.mid(20280), QByteArray("\r\n\x01\x00", 4));
    }

    void sentRecordSwapsTheRoles()
    {
        HistoryRecord record;
        record.setDateField(HistoryKind::Sent, QStringLiteral("2026/12/08  9:30:05"));
        record.setAddressField(HistoryKind::Sent, QStringLiteral("to@example.jp"));
        record.InUse = 0;
        const QByteArray bytes = record.toBytes();
        QCOMPARE(bytes.mid(100, 19), QByteArray("2026/12/08  9:30:05"));
        QCOMPARE(bytes.mid(190, 13), QByteArray("to@example.jp"));
        QCOMPARE(bytes.mid(20282), QByteArray("\x00\x00", 2));
        const HistoryRecord back = HistoryRecord::fromBytes(bytes);
        QCOMPARE(back.dateField(HistoryKind::Sent).trimmed(), QStringLiteral("2026/12/08  9:30:05"));
        QCOMPARE(back.addressField(HistoryKind::Sent).trimmed(), QStringLiteral("to@example.jp"));
        QCOMPARE(back.InUse, std::int16_t(0));
    }

    void longJapaneseSubjectIsCutWithoutHalfCharacter()
    {
        HistoryRecord record;
        record.Subject = QLatin1Char('x') + QString(60, QChar(0x3042));  // 1 + 120 bytes
        const QByteArray subject = record.toBytes().left(100);
        QCOMPARE(subject.left(1), QByteArray("x"));
        QCOMPARE(subject.mid(1, 98), cp932::encode(QString(49, QChar(0x3042))));
        QCOMPARE(subject.right(1), QByteArray(" "));  // the straddling character is dropped
        record.Subject = QString(101, QLatin1Char('s'));
        QCOMPARE(record.toBytes().left(100), QByteArray(100, 's'));
    }

    void nextRecordNumberFollowsTheFileLength_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing or empty") << qint64(-1) << 1;
        QTest::newRow("two records") << 2 * HistoryRecordSize << 3;
        QTest::newRow("one and a half: overwrite the partial one") << 3 * HistoryRecordSize / 2 << 2;
        QTest::newRow("two and a half: ties to even") << 5 * HistoryRecordSize / 2 << 4;
        QTest::newRow("full history") << qint64(MaxRecordNumber) * HistoryRecordSize << MaxRecordNumber + 1;
    }
    void nextRecordNumberFollowsTheFileLength()
    {
        QFETCH(qint64, length);
        QFETCH(int, expected);
        TempProgramFolder program;
        const QString path = historyPath(program.folder(), HistoryKind::Received);
        if (length >= 0)
            growTo(path, length);  // sparse: no disk used
        QCOMPARE(NextRecordNumber(path), expected);
    }

    void writeThenReadByNumber()
    {
        TempProgramFolder program;
        const QString path = historyPath(program.folder(), HistoryKind::Sent);
        QVERIFY(path.endsWith(QStringLiteral("★MAilData/zeldata5.data")));
        for (int n = 1; n <= 3; ++n) {
            HistoryRecord record;
            record.Subject = QStringLiteral("subject %1").arg(n);
            record.Body = QStringLiteral("body %1").arg(n);
            QCOMPARE(NextRecordNumber(path), n);
            QVERIFY(writeRecord(path, n, record).ok);
        }
        QCOMPARE(recordCount(path), 3);
        QCOMPARE(readRecord(path, 2)->Body.trimmed(), QStringLiteral("body 2"));
        QVERIFY(!readRecord(path, 4));
        QVERIFY(!readRecord(path, 0));
        const QList<HistoryRecord> headings = readHeadings(path);
        QCOMPARE(headings.size(), 3);
        QCOMPARE(headings[2].Subject.trimmed(), QStringLiteral("subject 3"));
        QVERIFY(headings[2].Body.isEmpty());
    }

    // Headings come from the page cache, from the disk (requested ahead by a helper thread), from
    // both, or, where the file system cannot tell what it holds in memory, by plain reads: the
    // same in every case.
    void headingsAreReadWhereverTheFileLies_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("in memory") << QStringLiteral("cached");
        QTest::newRow("on the disk only") << QStringLiteral("evicted");
        QTest::newRow("first half in memory") << QStringLiteral("half");
        QTest::newRow("on a memory file system") << QStringLiteral("/dev/shm");
    }
    void headingsAreReadWhereverTheFileLies()
    {
        QFETCH(QString, where);
        constexpr int Count = 700;  // more than the read-ahead window
        QTemporaryDir dir(where.startsWith(u'/') ? where + QStringLiteral("/headings-XXXXXX") : QString());
        if (!dir.isValid())
            QSKIP("no such folder here");
        const QString path = dir.filePath(QStringLiteral("zeldata2.data"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(numberedHistory(Count)) == Count * HistoryRecordSize);
        file.close();
        if (where == u"evicted" || where == u"half") {
            QVERIFY(pagecache::evict(path));
            if (pagecache::residentPages(path) != 0)
                QSKIP("the page cache keeps this file");
        }
        if (where == u"half") {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(Count / 2 * HistoryRecordSize).size(), Count / 2 * HistoryRecordSize);
            file.close();
        }

        const QList<HistoryRecord> headings = readHeadings(path);

        QCOMPARE(headings.size(), Count);
        for (int n = 1; n <= Count; ++n) {
            const HistoryRecord& heading = headings[n - 1];
            const QString subject = (n % 3 == 0 ? QStringLiteral("件名") : QStringLiteral("subject ")) + QString::number(n);
            QCOMPARE(heading.Subject, subject.leftJustified(n % 3 == 0 ? 98 : 100, u' '));
            QCOMPARE(heading.addressField(HistoryKind::Received).trimmed(), QStringLiteral("a%1@example.jp").arg(n));
            QCOMPARE(heading.dateField(HistoryKind::Received).trimmed(), QStringLiteral("d%1").arg(n));
        }
        // The bodies in between were not read: at most the two pages a heading can span.
        if (where == u"evicted")
            QCOMPARE_LE(pagecache::residentPages(path), 2 * Count);
    }

    void partialLastRecordIsNotListedAndIsOverwritten()
    {
        TempProgramFolder program;
        const QString path = historyPath(program.folder(), HistoryKind::Received);
        QVERIFY(writeRecord(path, 1, HistoryRecord{}).ok);
        growTo(path, HistoryRecordSize + 5000);
        QCOMPARE(readHeadings(path).size(), 1);
        QVERIFY(writeRecord(path, NextRecordNumber(path), HistoryRecord{}).ok);
        QCOMPARE(QFileInfo(path).size(), 2 * HistoryRecordSize);
    }

    void refusedWritesNameTheProblemAndChangeNothing()
    {
        TempProgramFolder program;
        const QString path = historyPath(program.folder(), HistoryKind::Received);
        const StoreResult full = writeRecord(path, MaxRecordNumber + 1, HistoryRecord{});
        QVERIFY(!full.ok);
        QVERIFY(full.error.contains(QStringLiteral("32767")));
        QVERIFY(!QFile::exists(path));

        TempProgramFolder bare(false);
        const StoreResult missing = writeRecord(historyPath(bare.folder(), HistoryKind::Received), 1, HistoryRecord{});
        QVERIFY(!missing.ok);
        QVERIFY(missing.error.contains(QStringLiteral("★MAilData")));
        QVERIFY(QDir(bare.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(HistoryFileTest)
#include "history_file_test.moc"
