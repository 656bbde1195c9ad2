// The lock that keeps a second copy of the program off a program folder. Another process holds
// it through Python's fcntl.flock, the same kind of lock; a lock file that a dead copy left
// behind, or one on a disk with no room left, keeps nobody out.
// tests/e2e/one_copy_per_folder.sh runs two real copies and a killed one.

#include "app/SingleInstance.h"
#include "FullDisk.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QProcess>
#include <QTest>

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void oneHolderPerProgramFolder()
    {
        TempProgramFolder program;
        TempProgramFolder other;
        {
            const SingleInstance first(program.folder());
            QVERIFY(first.acquired());
            QVERIFY(!SingleInstance(program.folder()).acquired());
            QVERIFY(SingleInstance(other.folder()).acquired());
        }
        // The holder gives the lock back when it ends; the file may stay.
        QVERIFY(SingleInstance(program.folder()).acquired());
    }

    void anotherProcessHoldingTheLockKeepsTheProgramOut()
    {
        TempProgramFolder program;
        const QString lock = program.file(QStringLiteral("★MAilData/tessaly.lock"));
        QProcess holder;
        holder.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import fcntl, sys, time\nf = open(sys.argv[1], 'a')\nfcntl.flock(f, fcntl.LOCK_EX)\n"
                                     "print('held', flush=True)\ntime.sleep(30)"),
                      lock});
        QVERIFY(holder.waitForReadyRead(10000));
        QVERIFY(!SingleInstance(program.folder()).acquired());
        holder.kill();  // as a copy killed outright, or logged out
        holder.waitForFinished();
        QVERIFY(QFile::exists(lock));
        QVERIFY(SingleInstance(program.folder()).acquired());
    }

    // A dead copy's lock file on a disk that is full: the next start needs to write nothing.
    void fullDiskDoesNotKeepTheProgramOut()
    {
        TempProgramFolder program;
        const QString data = program.file(QStringLiteral("★MAilData"));
        FullDisk disk(data);
        if (!disk.mounted())
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here (needs root): ") + disk.error()));
        { const SingleInstance dead(program.folder()); }
        disk.fill();
        QVERIFY(SingleInstance(program.folder()).acquired());
        const SingleInstance running(program.folder());
        QVERIFY(!SingleInstance(program.folder()).acquired());
    }

    // Without a data folder there is no history to protect; the program runs and creates nothing.
    void missingDataFolderRunsWithoutALock()
    {
        TempProgramFolder program(false);
        const SingleInstance first(program.folder());
        QVERIFY(first.acquired());
        QVERIFY(SingleInstance(program.folder()).acquired());
        QVERIFY(QDir(program.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
