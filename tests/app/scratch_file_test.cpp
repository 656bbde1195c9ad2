// The scratch file of a check, rewritten in place for every mail: after a shorter mail it holds
// that mail alone, the text handed on reads as the file reads back, and it goes with the check.

#include "app/receive/ReceivedFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ScratchFileTest : public QObject {
    Q_OBJECT

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

private slots:
    void eachMailReplacesTheOneBefore()
    {
        QTemporaryDir folder;
        QString path;
        {
            ScratchFile scratch(folder.path());
            path = scratch.path();
            QCOMPARE(QDir(folder.path()).relativeFilePath(path), QStringLiteral("0.txt"));
            const QByteArray longer = scratch.write("Subject: first", QByteArray("a long first text\r\n").repeated(40));
            QCOMPARE(longer, "Subject: first\r\n" + QByteArray("a long first text\r\n").repeated(40) + "\r\n" + '\0');
            // Shorter than the first: nothing of the first may stay behind at the end.
            QCOMPARE(scratch.write("Subject: second", "short"), QByteArray("Subject: second\r\nshort\r\n") + '\0');
            QCOMPARE(read(path), QByteArray("Subject: second\r\nshort\r\n"));
            // The file keeps the text as given; what is handed on ends every line in CR LF.
            QCOMPARE(scratch.write("Subject: third", "bare\nends\r\n\nhere\r"),
                     QByteArray("Subject: third\r\nbare\r\nends\r\n\r\nhere\r\r\n") + '\0');
            QCOMPARE(read(path), QByteArray("Subject: third\r\nbare\nends\r\n\nhere\r\r\n"));
            QCOMPARE(scratch.write(QByteArray(), QByteArray()), QByteArray("\r\n\r\n") + '\0');
            QCOMPARE(read(path), QByteArray("\r\n\r\n"));
        }
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(ScratchFileTest)
#include "scratch_file_test.moc"
