// "受信" against the real loopback Dovecot: what reaches the history, what leaves the server,
// and what the user is told when something is missing or wrong.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "history/TyakuForm.h"
#include "mail/MailOptions.h"
#include "platform/Cp932.h"
#include "settings/IdPassForm.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"
#include "MailCorpus.h"
#include "MailServers.h"
#include "CheckMailProgram.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString User = QStringLiteral("check");

QByteArray plainMail(const QByteArray& subject, const QByteArray& body)
{
    return "From: sender@example.jp\r\nTo: check@example.jp\r\nSubject: " + subject
        + "\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\n\r\n" + body;
}

}  // namespace

class CheckMailTest : public QObject {
    Q_OBJECT

    MailServers servers;
    std::unique_ptr<CheckMailProgram> p;

    QList<store::HistoryRecord> received() const { return p->receivedRecords(); }
    MainForm& main() { return p->forms.mainForm(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        CheckMailProgram::useTestServers(servers);
    }

    void init()
    {
        servers.empty(User);
        p = CheckMailProgram::withAccount(servers.server("POP3_PORT"), User);
        QVERIFY(p);
    }

    void cleanup() { p.reset(); }

    void emptyMailboxSaysNoMailAndDoesNotSpin()
    {
        CheckMail(p->forms);
        QCOMPARE(main().Label2->text(), QStringLiteral("新着メール無し。"));
        QVERIFY(!main().Timer1->isActive());
        QVERIFY(received().isEmpty());
        QCOMPARE(main().Text1->toPlainText(), QStringLiteral("メールのチェックをしています。"));
    }

    void threeMailsBecomeThreeRecordsInOrder()
    {
        for (int i = 1; i <= 3; ++i)
            servers.deliver(User, plainMail("mail " + QByteArray::number(i), "text " + QByteArray::number(i) + "\r\n"));
        CheckMail(p->forms);
        const QList<store::HistoryRecord> records = received();
        QCOMPARE(records.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(records[i].Subject.trimmed(), QStringLiteral("mail %1").arg(i + 1));
            QVERIFY(records[i].addressField(store::HistoryKind::Received).contains(QStringLiteral("sender@example.jp")));
            QVERIFY(records[i].Body.startsWith(QStringLiteral("text %1").arg(i + 1)));
            QCOMPARE(records[i].InUse, std::int16_t(1));
        }
        QVERIFY(servers.mails(User).isEmpty());
        QCOMPARE(p->state.CurrentRecord, std::int16_t(3));
        TyakuForm& viewer = p->forms.tyakuForm();
        QCOMPARE(viewer.List1->count(), 3);
        QVERIFY(viewer.List1->item(0)->text().startsWith(QStringLiteral("  mail 1          ")));
        QCOMPARE(main().Label2->text(), QStringLiteral("新着メール有り。"));
        QVERIFY(main().Timer1->isActive());
        QVERIFY(!main().Command2->isEnabled());
        QVERIFY(p->seams.messages.shown.isEmpty());
    }

    void onlyLowerCaseAttachmentGetsTheNote()
    {
        servers.deliver(User, plainMail("upper", "See the Attachment.\r\n"));
        servers.deliver(User, plainMail("lower", "an attachment is mentioned\r\n"));
        CheckMail(p->forms);
        const QList<store::HistoryRecord> records = received();
        QCOMPARE(records.size(), 2);
        QVERIFY(!records[0].Body.contains(QStringLiteral("♪♪♪")));
        QVERIFY(records[1].Body.contains(
            QStringLiteral("\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪")));
        QCOMPARE(main().Label2->text(), QStringLiteral("新着メール有り。"));
        QVERIFY(main().Text2->text().isEmpty());  // the attachment test's scratch use
    }

    void attachmentsAreExpandedIntoTheFolder()
    {
        servers.deliver(User, corpus::nestedAttachments());
        CheckMail(p->forms);
        QCOMPARE(received().size(), 1);
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/") + corpus::NestedFirstName), corpus::nestedFirstData());
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/") + corpus::NestedSecondName), corpus::nestedSecondData());
        QVERIFY(!QFile::exists(p->program.file(QStringLiteral("添付フォルダ/0.txt"))));
        QVERIFY(received().first().Body.contains(QStringLiteral("♪♪♪")));
    }

    void longMailIsCutInItsRecordAndKeptWhole()
    {
        QByteArray body;
        while (body.size() < 30000)
            body += "0123456789 long line of text for the record\r\n";
        const QByteArray mail = plainMail("long", body);
        servers.deliver(User, mail);
        CheckMail(p->forms);
        const QList<store::HistoryRecord> records = received();
        QCOMPARE(records.size(), 1);
        const QByteArray stored = cp932::encode(records.first().Body);
        QVERIFY(stored.size() > 19900 && stored.size() <= 20000);
        const QStringList kept = QDir(p->program.file(QStringLiteral("添付フォルダ")))
                                     .entryList({QStringLiteral("*.eml")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^mail-20261208-090000-[0-9a-f]{10}\\.eml$")).match(kept.first()).hasMatch(),
                 qPrintable(kept.first()));
        QVERIFY(stored.trimmed().endsWith(cp932::encode(QStringLiteral("元のメールを添付フォルダの「%1」に保存しました。").arg(kept.first()))));
        QCOMPARE(p->program.read(QStringLiteral("添付フォルダ/") + kept.first()), mail);
        QVERIFY(servers.mails(User).isEmpty());
    }

    void wrongPasswordShowsTheServersReason()
    {
        QVERIFY(SaveAccount(p->program.folder(), User, QStringLiteral("wrong"), true).ok);
        servers.deliver(User, plainMail("kept", "text\r\n"));
        CheckMail(p->forms);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QCOMPARE(p->seams.messages.shown.first().title, QStringLiteral("エラー"));
        QVERIFY(!p->seams.messages.shown.first().text.isEmpty());
        QVERIFY(!p->seams.messages.shown.first().text.contains(QStringLiteral("wrong")));
        QCOMPARE(main().Label2->text(), QStringLiteral("受信できませんでした。"));
        QCOMPARE(servers.mails(User).size(), 1);
    }

    // A password typed into ID,PASS without ticking "IDパスワードを保存する" is the one the checks
    // of this run log in with, and it is never written.
    void aTypedUnsavedPasswordIsUsedAndNotStored()
    {
        QVERIFY(SaveAccount(p->program.folder(), User, QStringLiteral("old-password"), true).ok);
        const QByteArray stored = p->program.read(QStringLiteral("★MAilData/iniIdPass.ini"));
        servers.deliver(User, plainMail("typed", "text\r\n"));
        IdPassForm& idPass = p->forms.idPassForm();
        QVERIFY(!idPass.Check1->isChecked());
        idPass.PassText->setText(MailServers::password(User));
        idPass.OKCommand->click();
        CheckMail(p->forms);
        QVERIFY2(p->seams.messages.shown.isEmpty(), qPrintable(p->seams.messages.shown.value(0).text));
        QCOMPARE(received().size(), 1);
        QVERIFY(servers.mails(User).isEmpty());
        QByteArray after = p->program.read(QStringLiteral("★MAilData/iniIdPass.ini"));
        QVERIFY(!after.contains(MailServers::password(User).toLatin1()));
        QCOMPARE(after.replace("NAME3=0", "NAME3=1"), stored);
        // Opened again, the window shows what the checks use.
        QCOMPARE(p->forms.idPassForm().PassText->text(), MailServers::password(User));
    }

    void missingIdOpensTheIdPasswordWindow()
    {
        p->program.write(QStringLiteral("★MAilData/iniIdPass.ini"), "[EXEINI]\r\nNAME=check\r\nNAME3=1\r\n");
        servers.deliver(User, plainMail("kept", "text\r\n"));
        CheckMail(p->forms);
        QVERIFY(p->forms.idPassForm().isVisible());
        QCOMPARE(p->forms.idPassForm().IdText->text(), User);
        QCOMPARE(main().Label2->text(), QStringLiteral("新着メール無し。"));
        QCOMPARE(servers.mails(User).size(), 1);
        QVERIFY(p->seams.messages.shown.isEmpty());
    }

    // An ID form that is open is brought up to date with the account the check used; none is
    // built only to hold it.
    void anOpenIdFormShowsTheAccountInUse()
    {
        servers.deliver(User, plainMail("first", "text\r\n"));
        CheckMail(p->forms);
        QCOMPARE(received().size(), 1);
        QVERIFY(!p->forms.loadedIdPassForm());
        IdPassForm& idPass = p->forms.idPassForm();
        idPass.PassText->setText(QStringLiteral("half-typed"));
        CheckMail(p->forms);
        QCOMPARE(idPass.IdText->text(), User);
        QCOMPARE(idPass.PassText->text(), MailServers::password(User));
    }

    void missingDataFolderLeavesEveryMailOnTheServer()
    {
        servers.deliver(User, plainMail("kept", "text\r\n"));
        QVERIFY(QDir(p->program.file(QStringLiteral("★MAilData"))).removeRecursively());
        CheckMail(p->forms);
        QCOMPARE(servers.mails(User).size(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY(p->seams.messages.shown.first().text.contains(QStringLiteral("★MAilData")));
        QCOMPARE(main().Label2->text(), QStringLiteral("受信できませんでした。"));
    }

    void fullHistoryStopsBeforeDeleting()
    {
        const QString path = store::historyPath(p->program.folder(), store::HistoryKind::Received);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(store::MaxRecordNumber) * store::HistoryRecordSize));  // sparse
        file.close();
        servers.deliver(User, plainMail("kept", "text\r\n"));
        CheckMail(p->forms);
        QCOMPARE(servers.mails(User).size(), 1);
        QCOMPARE(p->seams.messages.shown.size(), 1);
        QVERIFY(p->seams.messages.shown.first().text.contains(QStringLiteral("32767")));
        QCOMPARE(QFileInfo(path).size(), qint64(store::MaxRecordNumber) * store::HistoryRecordSize);
    }
};

QTEST_MAIN(CheckMailTest)
#include "check_mail_test.moc"
