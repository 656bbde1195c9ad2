// The lock that keeps a second copy of the program off a program folder, within one process;
// tests/e2e/one_copy_per_folder.sh runs two real copies and takes over a dead copy's lock.

#include "app/SingleInstance.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QTest>

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void oneHolderPerProgramFolder()
    {
        TempProgramFolder program;
        TempProgramFolder other;
        const QString lock = program.file(QStringLiteral("★MAilData/tessaly.lock"));
        {
            const SingleInstance first(program.folder());
            QVERIFY(first.acquired());
            QVERIFY(QFile::exists(lock));
            const SingleInstance second(program.folder());
            QVERIFY(!second.acquired());
            QVERIFY(SingleInstance(other.folder()).acquired());
        }
        // The holder gives the lock back when it ends.
        QVERIFY(!QFile::exists(lock));
        QVERIFY(SingleInstance(program.folder()).acquired());
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
