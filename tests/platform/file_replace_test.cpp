// Replacing a file on a disk that runs full while writing: the old file must survive whole.

#include "platform/FileReplace.h"
#include "platform/PrivateProfile.h"
#include "FullDisk.h"

#include <QTemporaryDir>
#include <QtTest>

class FileReplaceTest : public QObject {
    Q_OBJECT

private slots:
    void newFileGetsItsPermissionsAndContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.ini"));
        QVERIFY(replaceFile(path, "abc", nullptr, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("abc"));
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    }

    void fullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        FullDisk disk(dir.path());
        if (!disk.mounted())
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here (needs root): ") + disk.error()));
        const QString path = dir.filePath(QStringLiteral("iniIdPass.ini"));
        QVERIFY(privateprofile::writeString(QStringLiteral("EXEINI"), QStringLiteral("NAME2"), QStringLiteral("secret"), path));
        disk.fill();

        // Small writes stay in the buffer: the full disk shows only when it is flushed.
        QString error;
        QVERIFY(!replaceFile(path, QByteArray(200, 'x'), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!privateprofile::writeString(QStringLiteral("EXEINI"), QStringLiteral("NAME"),
                                             QStringLiteral("taro"), path));
        QCOMPARE(privateprofile::getString(QStringLiteral("EXEINI"), QStringLiteral("NAME2"), {}, path),
                 QStringLiteral("secret"));
        QCOMPARE(disk.others(), QStringList{QStringLiteral("iniIdPass.ini")});  // no temporary file left
    }
};

QTEST_GUILESS_MAIN(FileReplaceTest)
#include "file_replace_test.moc"
