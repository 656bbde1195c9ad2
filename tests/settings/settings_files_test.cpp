// The two settings files, byte by byte: what the program writes, and how it reads files written
// by hand or by other installations.

#include "platform/Cp932.h"
#include "settings/SettingsFiles.h"
#include "TempProgramFolder.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>

class SettingsFilesTest : public QObject {
    Q_OBJECT

private:
    static AccountSettings loaded(const TempProgramFolder& program, const QByteArray& fileBytes)
    {
        program.write(QStringLiteral("zelvin.ini"), fileBytes);
        AccountSettings settings;
        LoadMainSettings(settings, program.folder());
        return settings;
    }

private slots:
    void savedFileHasExactlyFourLinesInOrder()
    {
        TempProgramFolder program;
        program.write(QStringLiteral("zelvin.ini"), "junk line\r\nMAIL=old@example.jp\r\nextra\r\n");
        AccountSettings settings;
        settings.SmtpServer = QStringLiteral("smtp.example.jp");
        settings.Pop3Server = QStringLiteral("pop.例え.jp");
        settings.MailAddress = QStringLiteral("me@example.jp");
        settings.UseApop = 1;
        QVERIFY(SaveMainSettings(settings, program.folder()).ok);
        QCOMPARE(program.read(QStringLiteral("zelvin.ini")),
                 QByteArray("SMTP=smtp.example.jp\r\nPOP3=pop.\x97\xe1\x82\xa6.jp\r\n"
                            "MAIL=me@example.jp\r\nAPOP=1\r\n"));
    }

    void emptyValuesStillWriteAllFourLines()
    {
        TempProgramFolder program;
        QVERIFY(SaveMainSettings(AccountSettings{}, program.folder()).ok);
        QCOMPARE(program.read(QStringLiteral("zelvin.ini")),
                 QByteArray("SMTP=\r\nPOP3=\r\nMAIL=\r\nAPOP=0\r\n"));
    }

    void loadReadsPrefixesExactly()
    {
        TempProgramFolder program;
        const AccountSettings s = loaded(program,
            "smtp=lower.example.jp\r\nSMTP= spaced\r\nPOP3=pop.example.jp\r\n"
            "MAIL=first@example.jp\r\nMAIL=second@example.jp\r\nAPOP=1\r\nXY\r\n");
        QCOMPARE(s.SmtpServer, QStringLiteral(" spaced"));  // lower-case prefix ignored, space kept
        QCOMPARE(s.Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(s.MailAddress, QStringLiteral("second@example.jp"));
        QCOMPARE(s.UseApop, std::int16_t(1));
    }

    void lowerCasePrefixAloneLeavesFieldEmpty()
    {
        TempProgramFolder program;
        QCOMPARE(loaded(program, "smtp=mail.example.jp\r\n").SmtpServer, QString());
    }

    void apopValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("one") << QByteArray("1") << 1;
        QTest::newRow("blank before") << QByteArray("  1") << 1;
        QTest::newRow("not a number") << QByteArray("yes") << 0;
        QTest::newRow("half to even") << QByteArray("0.5") << 0;
        QTest::newRow("one and a half") << QByteArray("1.5") << 2;
        QTest::newRow("too large keeps APOP on") << QByteArray("99999") << 32767;
    }
    void apopValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        TempProgramFolder program;
        QCOMPARE(int(loaded(program, "APOP=" + value + "\r\n").UseApop), expected);
    }

    void longValueIsCutToHundredCharacters()
    {
        TempProgramFolder program;
        AccountSettings settings;
        settings.SmtpServer = QString(120, QLatin1Char('s'));
        settings.Pop3Server = QString(120, QChar(0x3042));  // double-byte on disk
        QVERIFY(SaveMainSettings(settings, program.folder()).ok);
        AccountSettings back;
        LoadMainSettings(back, program.folder());
        QCOMPARE(back.SmtpServer, QString(100, QLatin1Char('s')));
        QCOMPARE(back.Pop3Server, QString(100, QChar(0x3042)));
    }

    void missingFileKeepsDefaultsAndLoneLineEndsAreLines()
    {
        TempProgramFolder program;
        AccountSettings settings;
        LoadMainSettings(settings, program.folder());
        QVERIFY(settings.Pop3Server.isEmpty());
        QCOMPARE(settings.UseApop, std::int16_t(0));
        const AccountSettings unix = loaded(program, "SMTP=a\nPOP3=b\rMAIL=c");
        QCOMPARE(unix.SmtpServer, QStringLiteral("a"));
        QCOMPARE(unix.Pop3Server, QStringLiteral("b"));
        QCOMPARE(unix.MailAddress, QStringLiteral("c"));
    }

    void unwritableProgramFolderIsReportedAndOldFileKept()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        TempProgramFolder program;
        program.write(QStringLiteral("zelvin.ini"), "POP3=kept\r\n");
        QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner);
        const SaveResult result = SaveMainSettings(AccountSettings{}, program.folder());
        QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains(QStringLiteral("zelvin.ini")));
        QCOMPARE(program.read(QStringLiteral("zelvin.ini")), QByteArray("POP3=kept\r\n"));
    }

    void saveWithStoreWritesAllThreeKeysOwnerOnly()
    {
        TempProgramFolder program;
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("taro"), QStringLiteral("p@ss 漢字"), true).ok);
        const QString path = program.file(QStringLiteral("★MAilData/iniIdPass.ini"));
        QCOMPARE(cp932::decode(program.read(QStringLiteral("★MAilData/iniIdPass.ini"))),
                 QStringLiteral("[EXEINI]\r\nNAME=taro\r\nNAME2=p@ss 漢字\r\nNAME3=1\r\n"));
        QCOMPARE(QFile::permissions(path),
                 QFileDevice::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                          | QFile::WriteUser));
        const StoredAccount stored = ReadAccount(program.folder());
        QCOMPARE(stored.userId, QStringLiteral("taro"));
        QCOMPARE(stored.password, QStringLiteral("p@ss 漢字"));
        QCOMPARE(stored.saveChoice, QStringLiteral("1"));
    }

    void saveWithoutStoreOnlyTouchesName3()
    {
        TempProgramFolder program;
        program.write(QStringLiteral("★MAilData/iniIdPass.ini"),
                      "[OTHER]\r\nX=1\r\n[EXEINI]\r\nNAME=old\r\nNAME2=secret\r\nNAME3=1\r\n");
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("new"), QStringLiteral("new"), false).ok);
        QCOMPARE(program.read(QStringLiteral("★MAilData/iniIdPass.ini")),
                 QByteArray("[OTHER]\r\nX=1\r\n[EXEINI]\r\nNAME=old\r\nNAME2=secret\r\nNAME3=0\r\n"));
    }

    void accountFileIsFoundUnderEitherSpelling()
    {
        TempProgramFolder program(false);
        QDir(program.path()).mkpath(QStringLiteral("★MailData"));
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("id"), QStringLiteral("pw"), true).ok);
        QVERIFY(QFile::exists(program.file(QStringLiteral("★MailData/iniIdPass.ini"))));
        QCOMPARE(ReadAccount(program.folder()).password, QStringLiteral("pw"));
    }

    void missingDataFolderStoresNothingAndSaysSo()
    {
        TempProgramFolder program(false);
        QVERIFY(!SaveAccount(program.folder(), QStringLiteral("id"), QStringLiteral("pw"), true).ok);
        QVERIFY(QDir(program.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
        const StoredAccount stored = ReadAccount(program.folder());
        QVERIFY(stored.userId.isEmpty() && stored.password.isEmpty() && stored.saveChoice.isEmpty());
    }

    // What is stored must work as typed at the next check: blanks and quotes around a password
    // come back (the file quotes them), ";" and "=" inside it are plain characters.
    void storedAccountReadsBackAsTyped_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("blanks around") << QStringLiteral("  pass word  ") << QByteArray("\"  pass word  \"");
        QTest::newRow("tab at the end") << QStringLiteral("pw\t") << QByteArray("\"pw\t\"");
        QTest::newRow("in double quotes") << QStringLiteral("\"pw\"") << QByteArray("\"\"pw\"\"");
        QTest::newRow("in single quotes") << QStringLiteral("'pw'") << QByteArray("\"'pw'\"");
        QTest::newRow("one quote") << QStringLiteral("\"pw") << QByteArray("\"pw");
        QTest::newRow("semicolons and equals") << QStringLiteral(";p=w;") << QByteArray(";p=w;");
        QTest::newRow("only a blank") << QStringLiteral(" ") << QByteArray("\" \"");
        QTest::newRow("kanji in blanks") << QStringLiteral(" 漢字 ") << QByteArray("\" \x8a\xbf\x8e\x9a \"");
        QTest::newRow("255 bytes") << QString(255, u'i') << QByteArray(255, 'i');
    }
    void storedAccountReadsBackAsTyped()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        TempProgramFolder program;
        QVERIFY(SaveAccount(program.folder(), value, value, true).ok);
        QCOMPARE(program.read(QStringLiteral("★MAilData/iniIdPass.ini")),
                 "[EXEINI]\r\nNAME=" + line + "\r\nNAME2=" + line + "\r\nNAME3=1\r\n");
        const StoredAccount stored = ReadAccount(program.folder());
        QCOMPARE(stored.userId, value);
        QCOMPARE(stored.password, value);
    }

    // A value that could not come back as typed is not stored at all, and the error says why.
    void valuesThatCannotReadBackAreRefused_data()
    {
        QTest::addColumn<QString>("userId");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason");
        QTest::newRow("256 bytes") << QString(256, u'i') << QStringLiteral("pw") << QStringLiteral("255");
        QTest::newRow("128 kanji") << QStringLiteral("id") << QString(128, u'漢') << QStringLiteral("255");
        QTest::newRow("emoji") << QStringLiteral("id") << QStringLiteral("pw\U0001F600") << QStringLiteral("文字");
        QTest::newRow("euro sign") << QStringLiteral("€uro") << QStringLiteral("pw") << QStringLiteral("文字");
    }
    void valuesThatCannotReadBackAreRefused()
    {
        QFETCH(QString, userId);
        QFETCH(QString, password);
        QFETCH(QString, reason);
        TempProgramFolder program;
        const QByteArray before("[EXEINI]\r\nNAME=old\r\nNAME2=oldpw\r\nNAME3=1\r\n");
        program.write(QStringLiteral("★MAilData/iniIdPass.ini"), before);
        const SaveResult result = SaveAccount(program.folder(), userId, password, true);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
        QCOMPARE(program.read(QStringLiteral("★MAilData/iniIdPass.ini")), before);
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "settings_files_test.moc"
