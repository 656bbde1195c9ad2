// From a received mail in the viewer to a reply with an attachment on the real SMTP server: the
// windows hand the mail on through their controls, as a person would use them. The sender's name
// came as an encoded word and was kept decoded, comma and all, without the quotes it now needs.

#include "app/Forms.h"
#include "app/MainForm.h"
#include "compose/BackForm.h"
#include "history/TyakuForm.h"
#include "mail/AttachmentWriter.h"
#include "mail/MailOptions.h"
#include "mail/ParsedMail.h"
#include "store/HistoryFile.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The loopback server delivers to every local part that has a Maildir.
const QString Mailbox = QStringLiteral("replies");
}

class ReplyFromHistoryTest : public QObject {
    Q_OBJECT
    MailServers servers;

private slots:
    void replyWithAnAttachmentReachesTheServer()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        for (const char* sub : {"/cur", "/new", "/tmp"})
            QVERIFY(QDir().mkpath(servers.maildir(Mailbox) + QString::fromLatin1(sub)));
        servers.empty(Mailbox);
        nmail::options().caFile = servers.caFile();

        TempProgramFolder program;
        store::HistoryRecord received;
        received.Subject = QStringLiteral("見積の件");
        received.setAddressField(store::HistoryKind::Received, QStringLiteral("Yamada, Taro (営業) <replies@example.jp>"));
        received.setDateField(store::HistoryKind::Received, QStringLiteral("Tue, 08 Dec 2026 09:30:05 +0900"));
        received.Body = QStringLiteral("見積書をお送りします。");
        QVERIFY(store::writeRecord(store::historyPath(program.folder(), store::HistoryKind::Received), 1, received).ok);
        const QString attachment = program.file(QStringLiteral("添付フォルダ/回答①.txt"));
        program.write(QStringLiteral("添付フォルダ/回答①.txt"), "answer\r\n\x82\xa0");

        ScriptedSeams seams;
        ScriptedFileDialogs files;
        files.answers.enqueue(attachment);
        ProgramState state(program.folder());
        state.account.SmtpServer = servers.smtpServer("SMTP_PORT");
        state.account.MailAddress = QStringLiteral("tessa@example.jp");
        Forms forms(state, seams.seams(), files);
        MainForm& main = forms.mainForm();
        Forms::present(main);

        main.Command6->click();  // 着信履歴
        TyakuForm& viewer = forms.tyakuForm();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::mouseClick(viewer.List1->viewport(), Qt::LeftButton, {},
                          viewer.List1->visualItemRect(viewer.List1->item(0)).center());
        viewer.Command4->click();  // 返事を出す

        BackForm& reply = forms.backForm();
        QVERIFY(reply.isVisible());
        QCOMPARE(reply.SubjectText->text(), QStringLiteral("Re:  見積の件"));
        QCOMPARE(reply.ToText->text(), QStringLiteral("\"Yamada, Taro (営業)\" <replies@example.jp>"));
        QCOMPARE(reply.bodyText(), QStringLiteral("見積書をお送りします。"));
        reply.AttachCommand->click();
        QCOMPARE(reply.AttachText->text(), attachment);
        reply.Command2->click();  // 送信
        QVERIFY2(seams.messages.shown.isEmpty(), qPrintable(seams.messages.shown.value(0).text));

        const QStringList mails = servers.mails(Mailbox);
        QCOMPARE(mails.size(), 1);
        QFile stored(mails.first());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QTemporaryDir expanded;
        const nmail::AttachmentReport report = nmail::writeAttachments(nmail::ParsedMail(stored.readAll()), expanded.path());
        QCOMPARE(report.result, 1);
        QCOMPARE(report.written.size(), 1);
        QVERIFY(report.written.first().endsWith(QStringLiteral("回答①.txt")));
        QFile file(report.written.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("answer\r\n\x82\xa0"));
        // A reply keeps no record of its own.
        QVERIFY(!QFile::exists(store::historyPath(program.folder(), store::HistoryKind::Sent)));
        QTRY_VERIFY(main.isVisible());
    }
};

QTEST_MAIN(ReplyFromHistoryTest)
#include "reply_from_history_test.moc"
