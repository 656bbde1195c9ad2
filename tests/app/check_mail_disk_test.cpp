// "受信" onto a full disk: the data folder or the attachment folder is a small tmpfs filled to
// the brim. Whatever cannot be kept stays on the server, the user is told which file failed,
// and the history holds whole records only. Mounting needs root (as in CI); elsewhere the cases
// are skipped.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "mail/MailOptions.h"
#include "settings/SettingsFiles.h"
#include "platform/DiskSpace.h"
#include "store/HistoryFile.h"
#include "MailCorpus.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "FullDisk.h"
#include "TempProgramFolder.h"
#include "CheckMailProgram.h"

#include <QLabel>
#include <QtTest>


#include <memory>

namespace {

const QString User = QStringLiteral("brim");

QByteArray plainMail(const QByteArray& subject, const QByteArray& body)
{
    return "From: sender@example.jp\r\nTo: brim@example.jp\r\nSubject: " + subject
        + "\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\n" + body;
}

QByteArray longMail()
{
    QByteArray body;
    while (body.size() < 30000)
        body += "0123456789 a long line of a long mail\r\n";
    return plainMail("long", body);
}

}  // namespace

class CheckMailDiskTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CheckMailProgram> p;
    std::unique_ptr<FullDisk> disk;  // mounted inside p's program folder

    QString historyPath() const { return store::historyPath(p->program.folder(), store::HistoryKind::Received); }

    // The program folder with the named subfolder on a full tmpfs, the account saved first.
    bool prepare(const QString& fullFolder)
    {
        p = std::make_unique<CheckMailProgram>(servers.server("POP3_PORT"));
        disk = std::make_unique<FullDisk>(p->program.file(fullFolder));
        return disk->mounted();
    }


private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        nmail::options().caFile = servers.caFile();
        nmail::options().timeout = std::chrono::seconds(10);
    }

    void init() { servers.empty(User); }

    void cleanup()
    {
        disk.reset();  // unmounted before the program folder goes
        p.reset();
    }

    void fullDataFolderStoresWholeRecordsAndKeepsTheRest_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::addColumn<int>("stored");
        QTest::newRow("no room") << qint64(0) << 0;
        // Five pages hold one record, one the journal, one what the program remembers of the
        // server's TLS; the second record finds one page and must not stay in part.
        QTest::newRow("room for one record") << qint64(7 * 4096) << 1;
    }
    void fullDataFolderStoresWholeRecordsAndKeepsTheRest()
    {
        QFETCH(qint64, room);
        QFETCH(int, stored);
        // The account file lives in the data folder: it is written before the disk fills up.
        if (!prepare(QStringLiteral("★MAilData")))
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here (needs root): ") + disk->error()));
        QVERIFY(SaveAccount(p->program.folder(), User, MailServers::password(User), true).ok);
        disk->fill();
        disk->makeRoom(room);
        servers.deliver(User, plainMail("first", "text 1\r\n"));
        servers.deliver(User, plainMail("second", "text 2\r\n"));

        CheckMail(p->forms);

        QCOMPARE(servers.mails(User).size(), 2 - stored);
        QCOMPARE(QFileInfo(historyPath()).size(), stored * store::HistoryRecordSize);
        if (stored == 1)
            QCOMPARE(store::readRecord(historyPath(), 1)->Subject.trimmed(), QStringLiteral("first"));
        // Said in so many words, with the folder that is full.
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY2(p->shownTexts().first().contains(DiskFullText), qPrintable(p->shownTexts().first()));
        QVERIFY(p->shownTexts().first().contains(p->program.file(QStringLiteral("★MAilData"))));
        QVERIFY(p->shownTexts().first().contains(QStringLiteral("サーバーに残してあります")));
    }

    void fullAttachmentFolderKeepsWhatItCannotHold_data()
    {
        QTest::addColumn<QByteArray>("mail");
        QTest::addColumn<QString>("named");
        QTest::newRow("attachment") << corpus::nestedAttachments() << corpus::NestedFirstName;
        QTest::newRow("long mail kept whole") << longMail() << QString();  // the folder's path
    }
    void fullAttachmentFolderKeepsWhatItCannotHold()
    {
        QFETCH(QByteArray, mail);
        QFETCH(QString, named);
        if (!prepare(QStringLiteral("添付フォルダ")))
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here (needs root): ") + disk->error()));
        QVERIFY(SaveAccount(p->program.folder(), User, MailServers::password(User), true).ok);
        disk->fill();
        // A mail with nothing to put in the folder still comes in.
        servers.deliver(User, plainMail("plain", "text\r\n"));
        servers.deliver(User, mail);

        CheckMail(p->forms);

        QCOMPARE(store::recordCount(historyPath()), 1);
        QCOMPARE(store::readRecord(historyPath(), 1)->Subject.trimmed(), QStringLiteral("plain"));
        QCOMPARE(servers.mails(User).size(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        const QString expected = named.isEmpty() ? p->program.file(QStringLiteral("添付フォルダ")) : named;
        QVERIFY2(p->shownTexts().first().contains(expected), qPrintable(p->shownTexts().first()));
        QVERIFY2(p->shownTexts().first().contains(DiskFullText), qPrintable(p->shownTexts().first()));
        QVERIFY(p->shownTexts().first().contains(QStringLiteral("サーバーに残してあります")));
        QCOMPARE(disk->others(), QStringList());  // nothing left in part
        QCOMPARE(p->forms.mainForm().Label2->text(), QStringLiteral("新着メール有り。"));
    }

    // A mail too large for memory waits in an unnamed file of the attachment folder, which finds
    // no room: the check ends there, says the disk is full and leaves no file behind. The session
    // is read on to the end of that mail, so the mail stored before it is deleted as usual.
    void mailTooLargeForMemoryOnAFullDisk()
    {
        if (!prepare(QStringLiteral("添付フォルダ")))
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here (needs root): ") + disk->error()));
        QVERIFY(SaveAccount(p->program.folder(), User, MailServers::password(User), true).ok);
        disk->fill();
        servers.deliver(User, plainMail("plain", "text\r\n"));
        servers.deliver(User, plainMail("large", QByteArray("a line of a large mail\r\n").repeated(120000)));

        CheckMail(p->forms);
        QCOMPARE(store::recordCount(historyPath()), 1);
        QCOMPARE(servers.mails(User).size(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY2(p->shownTexts().first().contains(DiskFullText), qPrintable(p->shownTexts().first()));
        QVERIFY(p->shownTexts().first().contains(QStringLiteral("サーバーに残してあります")));
        QCOMPARE(disk->others(), QStringList());
        QCOMPARE(p->forms.mainForm().Label2->text(), QStringLiteral("新着メール有り。"));
    }
};

QTEST_MAIN(CheckMailDiskTest)
#include "check_mail_disk_test.moc"
