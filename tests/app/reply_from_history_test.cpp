// From a received mail in the viewer to a reply with an attachment on the real SMTP server: the
// windows hand the mail on through their controls, as a person would use them. The sender's name
// came as an encoded word and was kept decoded, comma and all, without the quotes it now needs.

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "compose/BackForm.h"
#include "history/TyakuForm.h"
#include "mail/AttachmentWriter.h"
#include "mail/MailOptions.h"
#include "mail/ParsedMail.h"
#include "store/HistoryFile.h"
#include "CheckMailProgram.h"
#include "MailOracle.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The loopback server delivers to every local part that has a Maildir.
const QString Mailbox = QStringLiteral("replies");
// The mailbox the mails to answer are fetched from, and where the answers land.
const QString Inbox = QStringLiteral("thread");
const QString Answers = QStringLiteral("answers");

QByteArray threadMail(int n, const QByteArray& references)
{
    return "From: answers@example.jp\r\nTo: thread@example.jp\r\nSubject: mail " + QByteArray::number(n)
        + "\r\nDate: Tue, 8 Dec 2026 09:0" + QByteArray::number(n) + ":00 +0900\r\nMessage-ID: <m"
        + QByteArray::number(n) + "@example.jp>\r\n" + references + "\r\ntext " + QByteArray::number(n) + "\r\n";
}

// The value of a header field as Python's reader saw the header lines, unfolded.
QString fieldOf(const PythonReading& reading, const QString& name)
{
    QString header = reading.headerLines.join(QStringLiteral("\n"));
    header.replace(QRegularExpression(QStringLiteral("\n[ \t]+")), QStringLiteral(" "));
    const QRegularExpression field(QStringLiteral("^%1: *(.*)$").arg(name),
                                   QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return field.match(header).captured(1).trimmed();
}
}  // namespace

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

    // A reply names the mail it answers in In-Reply-To and References, so that the recipient's
    // mail program shows them together, also after entries before it were deleted.
    void replyJoinsTheThreadOfTheMailItAnswers()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture is not running");
        for (const char* sub : {"/cur", "/new", "/tmp"})
            QVERIFY(QDir().mkpath(servers.maildir(Answers) + QString::fromLatin1(sub)));
        servers.empty(Answers);
        servers.empty(Inbox);
        CheckMailProgram::useTestServers(servers);
        servers.deliver(Inbox, threadMail(1, "References: <root@example.jp>\r\n"));
        servers.deliver(Inbox, threadMail(2, ""));
        servers.deliver(Inbox, threadMail(3, "References: <root@example.jp>\r\n <m2@example.jp>\r\n"
                                             "In-Reply-To: <m2@example.jp>\r\n"));
        const auto p = CheckMailProgram::withAccount(servers.server("POP3_PORT"), Inbox);
        QVERIFY(p);
        p->state.account.SmtpServer = servers.server("SMTP_PORT");
        p->state.account.MailAddress = QStringLiteral("thread@example.jp");
        CheckMail(p->forms);
        QCOMPARE(p->receivedRecords().size(), 3);

        MainForm& main = p->forms.mainForm();
        main.Command6->click();  // 着信履歴
        TyakuForm& viewer = p->forms.tyakuForm();
        viewer.List1->setCurrentRow(0);
        viewer.Command1->click();  // １件削除, answered "はい"
        QCOMPARE(p->receivedRecords().size(), 2);
        viewer.List1->setCurrentRow(1);
        QCOMPARE(viewer.Text9->text(), QStringLiteral("mail 3"));
        viewer.Command4->click();  // 返事を出す
        BackForm& reply = p->forms.backForm();
        const qsizetype asked = p->seams.messages.shown.size();  // the question before deleting
        reply.Command2->click();  // 送信
        QVERIFY2(p->seams.messages.shown.size() == asked, qPrintable(p->seams.messages.shown.last().text));

        const QStringList answers = servers.mails(Answers);
        QCOMPARE(answers.size(), 1);
        const PythonReading reading = readWithPython(answers.first());
        QVERIFY2(reading.failure.isEmpty(), qPrintable(reading.failure));
        QCOMPARE(fieldOf(reading, QStringLiteral("In-Reply-To")), QStringLiteral("<m3@example.jp>"));
        QCOMPARE(fieldOf(reading, QStringLiteral("References")),
                 QStringLiteral("<root@example.jp> <m2@example.jp> <m3@example.jp>"));
        QVERIFY2(reading.defects.isEmpty(), qPrintable(reading.defects.join(u'\n')));
    }
};

QTEST_MAIN(ReplyFromHistoryTest)
#include "reply_from_history_test.moc"
