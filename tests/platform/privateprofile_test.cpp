// The account file's INI semantics, checked on the exact bytes of real files.

#include "TempProgramFolder.h"
#include "platform/Cp932.h"
#include "platform/PrivateProfile.h"

#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using privateprofile::getString;
using privateprofile::writeString;

namespace {

const QString Account = QStringLiteral("★MAilData/iniIdPass.ini");
const QString Section = QStringLiteral("EXEINI");

unsigned fileMode(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777u : 0u;
}

QByteArray testData(const char* name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/") + QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class PrivateProfileTest : public QObject {
    Q_OBJECT

private slots:
    void createsFileSectionAndKeys();
    void replacesInPlaceKeepingEveryOtherLine();
    void addsKeyAfterTheLastLineOfItsSection();
    void addsSectionAfterAnUnterminatedLastLine();
    void namesCompareWithoutCase();
    void readsStrippedValue_data();
    void readsStrippedValue();
    void readsDefaultWhenMissing();
    void readsAtMost255Bytes_data();
    void readsAtMost255Bytes();
    void writesCodePage932();
    void failsWithoutFolderAndCreatesNothing();
    void refusesLineBreaksAndKeepsTheFile();
    void namesWithBlanksAroundThemFindTheirKey();
    void refusesKeysThatWouldNotReadBack();
    void newFileIsPrivateExistingFileKeepsItsMode();
};

void PrivateProfileTest::createsFileSectionAndKeys()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("taro"), path));
    QCOMPARE(program.read(Account), QByteArray("[EXEINI]\r\nNAME=taro\r\n"));
    QVERIFY(writeString(Section, QStringLiteral("NAME2"), QStringLiteral("pw"), path));
    QVERIFY(writeString(Section, QStringLiteral("NAME3"), QStringLiteral("1"), path));
    QCOMPARE(program.read(Account), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
}

void PrivateProfileTest::replacesInPlaceKeepingEveryOtherLine()
{
    const TempProgramFolder program;
    const QByteArray before = "top line\r\n"
                              "; NAME=commented\r\n"
                              "[OTHER]\r\n"
                              "NAME=elsewhere\n"
                              "\r\n"
                              "[EXEINI]\r\n"
                              ";NAME=not this\r\n"
                              "  NAME  =  old value  \r\n"
                              "NAME2=pw\r\n"
                              "[LAST]\r\n"
                              "x = y";
    program.write(Account, before);
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("new"), program.file(Account)));
    QByteArray after = before;
    after.replace("  NAME  =  old value  \r\n", "NAME=new\r\n");
    QCOMPARE(program.read(Account), after);
}

void PrivateProfileTest::addsKeyAfterTheLastLineOfItsSection()
{
    const TempProgramFolder program;
    program.write(Account, "[EXEINI]\r\nNAME=a\r\n\r\n[OTHER]\r\nNAME3=keep\r\n");
    QVERIFY(writeString(Section, QStringLiteral("NAME3"), QStringLiteral("0"), program.file(Account)));
    QCOMPARE(program.read(Account),
             QByteArray("[EXEINI]\r\nNAME=a\r\nNAME3=0\r\n\r\n[OTHER]\r\nNAME3=keep\r\n"));
}

void PrivateProfileTest::addsSectionAfterAnUnterminatedLastLine()
{
    const TempProgramFolder program;
    program.write(Account, "[OTHER]\r\nk=v");
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("a"), program.file(Account)));
    QCOMPARE(program.read(Account), QByteArray("[OTHER]\r\nk=v\r\n[EXEINI]\r\nNAME=a\r\n"));
}

void PrivateProfileTest::namesCompareWithoutCase()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    program.write(Account, "[exeini]\r\nname=a\r\n");
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("b"), path));
    QCOMPARE(program.read(Account), QByteArray("[exeini]\r\nname=b\r\n"));
    QCOMPARE(getString(QStringLiteral("ExeIni"), QStringLiteral("Name"), QString(), path),
             QStringLiteral("b"));
}

void PrivateProfileTest::readsStrippedValue_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << QByteArray("NAME=taro") << QStringLiteral("taro");
    QTest::newRow("blanks around") << QByteArray("  NAME \t=  ta ro \t") << QStringLiteral("ta ro");
    QTest::newRow("double quotes") << QByteArray("NAME=\" taro \"") << QStringLiteral(" taro ");
    QTest::newRow("single quotes") << QByteArray("NAME='taro'") << QStringLiteral("taro");
    QTest::newRow("one pair only") << QByteArray("NAME=\"\"x\"\"") << QStringLiteral("\"x\"");
    QTest::newRow("unmatched quote") << QByteArray("NAME=\"taro") << QStringLiteral("\"taro");
    QTest::newRow("equals in value") << QByteArray("NAME=a=b") << QStringLiteral("a=b");
    QTest::newRow("empty") << QByteArray("NAME=") << QString();
    QTest::newRow("kanji") << QByteArray("NAME=\x8E\xF3\x90\x4D") << QStringLiteral("受信");
}

void PrivateProfileTest::readsStrippedValue()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, value);
    const TempProgramFolder program;
    program.write(Account, "[EXEINI]\r\n" + line + "\r\n");
    QCOMPARE(getString(Section, QStringLiteral("NAME"), QStringLiteral("default"),
                       program.file(Account)),
             value);
}

void PrivateProfileTest::readsDefaultWhenMissing()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    const QString fallback = QStringLiteral("none");
    QCOMPARE(getString(Section, QStringLiteral("NAME"), fallback, path), fallback);
    program.write(Account, "NAME=before any section\r\n"
                           "[OTHER]\r\nNAME=other section\r\n"
                           "[EXEINI]\r\n;NAME=comment\r\nNAME2=x\r\n");
    QCOMPARE(getString(Section, QStringLiteral("NAME"), fallback, path), fallback);
    QCOMPARE(getString(QStringLiteral("MISSING"), QStringLiteral("NAME2"), fallback, path),
             fallback);
    QCOMPARE(getString(Section, QStringLiteral("NAME2"), fallback, path), QStringLiteral("x"));
}

void PrivateProfileTest::readsAtMost255Bytes_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");
    QTest::newRow("300 ASCII bytes") << QString(300, u'a') << QString(255, u'a');
    QTest::newRow("kanji ends at byte 255")
        << u'a' + QString(150, u'受') << u'a' + QString(127, u'受');
    QTest::newRow("kanji would straddle byte 255")
        << QString(150, u'受') << QString(127, u'受');
}

void PrivateProfileTest::readsAtMost255Bytes()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);
    const TempProgramFolder program;
    const QString path = program.file(Account);
    QVERIFY(writeString(Section, QStringLiteral("NAME2"), stored, path));
    const QString value = getString(Section, QStringLiteral("NAME2"), QString(), path);
    QCOMPARE(value, read);
    QVERIFY(cp932::encode(value).size() <= 255);
}

void PrivateProfileTest::writesCodePage932()
{
    const TempProgramFolder program;
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("髙～①"),
                        program.file(Account)));
    QCOMPARE(program.read(Account), QByteArray("[EXEINI]\r\nNAME=\xFB\xFC\x81\x60\x87\x40\r\n"));
}

void PrivateProfileTest::failsWithoutFolderAndCreatesNothing()
{
    const TempProgramFolder program(false);
    QVERIFY(!writeString(Section, QStringLiteral("NAME"), QStringLiteral("a"),
                         program.file(Account)));
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("★MAilData"))));
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void PrivateProfileTest::refusesLineBreaksAndKeepsTheFile()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    program.write(Account, "[EXEINI]\r\nNAME=a\r\n");
    QVERIFY(!writeString(Section, QStringLiteral("NAME"), QStringLiteral("b\r\nNAME2=c"), path));
    QVERIFY(!writeString(Section, QStringLiteral("NAME"), QStringLiteral("b") + QChar(0) + u'c', path));
    QVERIFY(!writeString(Section, QStringLiteral("NA=ME"), QStringLiteral("b"), path));
    QVERIFY(!writeString(QString(), QStringLiteral("NAME"), QStringLiteral("b"), path));
    QCOMPARE(program.read(Account), QByteArray("[EXEINI]\r\nNAME=a\r\n"));
}

// Fuzzer finds: a key asked for with blanks around it was written but never found again, and a
// key starting with "[" (or ";" after blanks) was written as a line that is no key.
void PrivateProfileTest::namesWithBlanksAroundThemFindTheirKey()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    program.write(Account, testData("blank-padded-names-unreadable.ini"));
    QCOMPARE(getString(QStringLiteral(" EXEINI\t"), QStringLiteral(" NAME2  "), QString(), path),
             QStringLiteral("pw"));
    QVERIFY(writeString(QStringLiteral("EXEINI "), QStringLiteral("\tname2 "), QStringLiteral("new"), path));
    QCOMPARE(program.read(Account), QByteArray("[EXEINI]\r\nNAME2=new\r\nNAME3=1\r\n"));
    QCOMPARE(getString(Section, QStringLiteral(" NAME2"), QString(), path), QStringLiteral("new"));
}

void PrivateProfileTest::refusesKeysThatWouldNotReadBack()
{
    const TempProgramFolder program;
    const QString path = program.file(Account);
    const QByteArray before = testData("bracket-key-unreadable.ini");
    QVERIFY(!before.isEmpty());
    program.write(Account, before);
    QVERIFY(!writeString(Section, QStringLiteral("[NAME]"), QStringLiteral("v"), path));
    QVERIFY(!writeString(Section, QStringLiteral(" [NAME"), QStringLiteral("v"), path));
    QVERIFY(!writeString(Section, QStringLiteral("\t;NAME"), QStringLiteral("v"), path));
    QCOMPARE(program.read(Account), before);
}

void PrivateProfileTest::newFileIsPrivateExistingFileKeepsItsMode()
{
    const TempProgramFolder program;
    const QString created = program.file(Account);
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("a"), created));
    QCOMPARE(fileMode(created), 0600u);

    const QString existing = program.file(QStringLiteral("★MAilData/shared.ini"));
    program.write(QStringLiteral("★MAilData/shared.ini"), "[EXEINI]\r\n");
    QVERIFY(::chmod(QFile::encodeName(existing).constData(), 0640) == 0);
    QVERIFY(writeString(Section, QStringLiteral("NAME"), QStringLiteral("a"), existing));
    QCOMPARE(fileMode(existing), 0640u);
    QCOMPARE(program.read(QStringLiteral("★MAilData/shared.ini")),
             QByteArray("[EXEINI]\r\nNAME=a\r\n"));
}

QTEST_APPLESS_MAIN(PrivateProfileTest)
#include "privateprofile_test.moc"
