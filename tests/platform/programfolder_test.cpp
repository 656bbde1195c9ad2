// Data paths inside the program folder: case-insensitive lookup of what exists, spelling kept
// for what does not, and no way out of the folder.

#include "TempProgramFolder.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class ProgramFolderTest : public QObject {
    Q_OBJECT

private slots:
    void bothDataFolderSpellingsNameOneFolder_data();
    void bothDataFolderSpellingsNameOneFolder();
    void existingFileResolvesInAnyCase();
    void missingComponentsKeepTheirSpelling();
    void pathNeverLeavesTheProgramFolder_data();
    void pathNeverLeavesTheProgramFolder();
    void exactSpellingWinsOverOtherCase();
    void runningExecutableFolder();
};

void ProgramFolderTest::bothDataFolderSpellingsNameOneFolder_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("as installed") << QStringLiteral("\\★MAilData\\iniIdPass.ini");
    QTest::newRow("other spelling") << QStringLiteral("\\★MailData\\iniIdPass.ini");
    QTest::newRow("upper case") << QStringLiteral("\\★MAILDATA\\iniIdPass.ini");
}

void ProgramFolderTest::bothDataFolderSpellingsNameOneFolder()
{
    QFETCH(QString, relative);
    const TempProgramFolder program;
    QCOMPARE(program.folder().path(relative),
             program.path() + QStringLiteral("/★MAilData/iniIdPass.ini"));
}

void ProgramFolderTest::existingFileResolvesInAnyCase()
{
    const TempProgramFolder program;
    program.write(QStringLiteral("★MAilData/zeldata2.data"), "x");
    QCOMPARE(program.folder().path(u"\\★MailData\\ZELDATA2.DATA"),
             program.path() + QStringLiteral("/★MAilData/zeldata2.data"));
}

void ProgramFolderTest::missingComponentsKeepTheirSpelling()
{
    const TempProgramFolder program;
    QCOMPARE(program.folder().path(u"\\★MailData\\ZELDATA2.TMP"),
             program.path() + QStringLiteral("/★MAilData/ZELDATA2.TMP"));
    QCOMPARE(program.folder().path(u"\\NoSuch\\★MailData"),
             program.path() + QStringLiteral("/NoSuch/★MailData"));
}

void ProgramFolderTest::pathNeverLeavesTheProgramFolder_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("inside");
    QTest::newRow("parent") << QStringLiteral("\\..\\x.ini") << QStringLiteral("/x.ini");
    QTest::newRow("parents after a folder")
        << QStringLiteral("\\★MailData\\..\\..\\x.ini") << QStringLiteral("/★MAilData/x.ini");
    QTest::newRow("dot and empty") << QStringLiteral("\\.\\\\添付フォルダ\\\\0.txt")
                                   << QStringLiteral("/添付フォルダ/0.txt");
    QTest::newRow("slash separated parents") << QStringLiteral("\\a/../../x")
                                             << QStringLiteral("/a/x");
    QTest::newRow("nothing") << QString() << QString();
}

void ProgramFolderTest::pathNeverLeavesTheProgramFolder()
{
    QFETCH(QString, relative);
    QFETCH(QString, inside);
    const TempProgramFolder program;
    QCOMPARE(program.folder().path(relative), program.path() + inside);
}

void ProgramFolderTest::exactSpellingWinsOverOtherCase()
{
    const TempProgramFolder program;
    program.write(QStringLiteral("★MAilData/a.ini"), "lower");
    program.write(QStringLiteral("★MAilData/A.ini"), "upper");
    QCOMPARE(program.folder().path(u"\\★MailData\\A.ini"),
             program.path() + QStringLiteral("/★MAilData/A.ini"));
    QCOMPARE(program.folder().path(u"\\★MailData\\a.ini"),
             program.path() + QStringLiteral("/★MAilData/a.ini"));
}

void ProgramFolderTest::runningExecutableFolder()
{
    // The executable's folder, not the working folder.
    const QString working = QDir::currentPath();
    const TempProgramFolder elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const QString root = ProgramFolder::ofRunningExecutable().root();
    QDir::setCurrent(working);
    QCOMPARE(QFileInfo(root).canonicalFilePath(),
             QFileInfo(QStringLiteral(TEST_BINARY_DIR)).canonicalFilePath());
}

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "programfolder_test.moc"
