// The note of each stored mail's thread beside the received history: found again for the record
// whatever its number, and still right after entries before it were deleted.

#include "HistoryFiles.h"
#include "TempProgramFolder.h"
#include "history/HistoryDeletion.h"
#include "history/ReplyThreads.h"

#include <QtTest>

using store::HistoryKind;

namespace {

QByteArray headerOf(int n)
{
    return "Subject: s\r\nMessage-ID: <m" + QByteArray::number(n) + "@x.jp>\r\nReferences: <root@x.jp>\r\n";
}

nmail::ReplyThread threadOf(int n) { return {"<m" + QByteArray::number(n) + "@x.jp>", {"<root@x.jp>", "<m" + QByteArray::number(n) + "@x.jp>"}}; }

}  // namespace

class ReplyThreadsTest : public QObject {
    Q_OBJECT

    struct Setup {
        TempProgramFolder folder;
        const QString history = store::historyPath(folder.folder(), HistoryKind::Received);

        // Mail n is stored as record n, as the mail check stores it, and its thread noted.
        void store(int count)
        {
            for (int n = 1; n <= count; ++n) {
                const store::HistoryRecord record =
                    recordOf({QStringLiteral("件名%1").arg(n), QStringLiteral("d"), QStringLiteral("a@x.jp"),
                              QStringLiteral("本文 %1").arg(n)},
                             HistoryKind::Received);
                QVERIFY(store::writeRecord(history, n, record).ok);
                QVERIFY(history::rememberReplyThread(history, record.toBytes(), headerOf(n)));
            }
        }
        nmail::ReplyThread threadOfRecord(int number) const
        {
            return history::replyThreadFor(history, *store::readRecordBytes(history, number, store::HistoryRecordSize));
        }
    };

private slots:
    void eachRecordFindsItsOwnThread()
    {
        Setup s;
        s.store(3);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(s.threadOfRecord(n), threadOf(n));
        QCOMPARE(QFileInfo(history::replyThreadsPath(s.history)).fileName(), QStringLiteral("reply-threads.txt"));
    }

    // Deleting renumbers the records after the deleted one; each still finds its own thread.
    void threadsOutliveTheDeletionOfEarlierEntries()
    {
        Setup s;
        s.store(4);
        QVERIFY(history::CompactHistoryFile(s.folder.folder(), HistoryKind::Received, {1, 3}).ok);
        QCOMPARE(store::recordCount(s.history), 2);
        QCOMPARE(s.threadOfRecord(1), threadOf(2));
        QCOMPARE(s.threadOfRecord(2), threadOf(4));
    }

    void mailWithoutIdentifiersAndForeignRecordsHaveNone()
    {
        Setup s;
        s.store(1);
        const store::HistoryRecord other = recordOf({QStringLiteral("x"), {}, {}, {}}, HistoryKind::Received);
        QVERIFY(history::rememberReplyThread(s.history, other.toBytes(), "Subject: none\r\n"));
        QVERIFY(history::replyThreadFor(s.history, other.toBytes()).isEmpty());
        QCOMPARE(s.folder.read(QStringLiteral("★MAilData/reply-threads.txt")).trimmed().count('\n'), 0);  // one line
    }

    // A line a crash cut short does not swallow the next one.
    void aCutLineIsLeftBehind()
    {
        Setup s;
        s.folder.write(QStringLiteral("★MAilData/reply-threads.txt"), "0123456789abcdef <cut@x");
        s.store(2);
        QCOMPARE(s.threadOfRecord(1), threadOf(1));
        QCOMPARE(s.threadOfRecord(2), threadOf(2));
    }

    void anUnwritableIndexCostsOnlyTheThread()
    {
        Setup s;
        QVERIFY(QDir(s.folder.file(QStringLiteral("★MAilData/reply-threads.txt"))).mkpath(QStringLiteral(".")));
        const store::HistoryRecord record = recordOf({QStringLiteral("x"), {}, {}, {}}, HistoryKind::Received);
        QVERIFY(!history::rememberReplyThread(s.history, record.toBytes(), headerOf(1)));
        QVERIFY(history::replyThreadFor(s.history, record.toBytes()).isEmpty());
    }
};

QTEST_APPLESS_MAIN(ReplyThreadsTest)
#include "reply_threads_test.moc"
