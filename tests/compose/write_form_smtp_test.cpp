// A mail written in the compose window goes through the loopback SMTP server: Python's email
// package and iconv read its Japanese subject and its untrimmed body, and the sent history has
// its record.

#include "ComposeFixture.h"
#include "MailServers.h"
#include "MailOracle.h"
#include "platform/Cp932.h"
#include "settings/SettingsFiles.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A mailbox of our own: the server delivers to every recipient whose Maildir exists.
const QString Mailbox = QStringLiteral("compose");

}  // namespace

class WriteFormSmtpTest : public QObject {
    Q_OBJECT

    MailServers servers;

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        QVERIFY(servers.makeMaildir(Mailbox));
        servers.empty(Mailbox);
    }

    void mailArrivesWithItsJapaneseSubjectAndIsRecorded()
    {
        ComposeFixture c(true, servers.smtpServer("SMTP_PORT"));
        nmail::options().caFile = servers.caFile();  // the server offers STARTTLS
        const QString subject = QStringLiteral("送信テストの件名です：日本語と漢字");
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral(" ") + Mailbox + QStringLiteral("@example.jp "));
        form.SubjectText->setText(subject);
        form.setBodyText(QStringLiteral("  本文です。\r\n二行目  "));

        form.Command1->click();

        QVERIFY2(c.shown().isEmpty(), qPrintable(c.shown().value(0).text));
        QVERIFY(c.unloaded());
        QVERIFY(!QApplication::overrideCursor());
        const QStringList mails = servers.mails(Mailbox);
        QCOMPARE(mails.size(), 1);
        const PythonReading mail = readWithPython(mails.first());
        QVERIFY2(mail.defects.isEmpty(), qPrintable(mail.defects.join(u'\n')));
        QCOMPARE(mail.from.value(0).addr, QStringLiteral("tessa@example.jp"));
        QCOMPARE(mail.to.value(0).addr, Mailbox + QStringLiteral("@example.jp"));
        QCOMPARE(mail.subject, subject);
        QCOMPARE(mail.textCharset, QByteArray("iso-2022-jp"));
        // Sent untrimmed: the spaces around the body arrive.
        QCOMPARE(withLf(mail.text.value_or(QString())), QStringLiteral("  本文です。\n二行目  \n"));
        QCOMPARE(withLf(iconvFromIso2022Jp(mail.textBytes).value_or(QString())), QStringLiteral("  本文です。\n二行目  \n"));

        // The record keeps the trimmed texts: subject and body as written, no spaces around.
        const QByteArray record = c.sentFile();
        QCOMPARE(record.size(), 20284);
        QCOMPARE(record.left(100).trimmed(), cp932::encode(subject));
        QCOMPARE(record.mid(190, 90).trimmed(), cp932::encode(Mailbox + QStringLiteral("@example.jp")));
        QCOMPARE(record.mid(280, 20), cp932::encode(QStringLiteral("本文です。\r\n二行目")).leftJustified(20, ' '));
        QCOMPARE(c.state.CurrentRecord, std::int16_t(1));
    }

    void serverThatAsksForALoginGetsTheStoredAccount()
    {
        ComposeFixture c(true, servers.smtpServer("SMTP_AUTH_PORT"));
        nmail::options().caFile = servers.caFile();
        // Nothing entered in this run: the account stored by the ID/password window is the login.
        QVERIFY(SaveAccount(c.program.folder(), Mailbox, MailServers::password(Mailbox), true).ok);
        c.form->ToText->setText(Mailbox + QStringLiteral("@example.jp"));
        c.form->SubjectText->setText(QStringLiteral("login"));
        c.form->Command1->click();
        QVERIFY2(c.shown().isEmpty(), qPrintable(c.shown().value(0).text));
        QCOMPARE(servers.mails(Mailbox).size(), 2);

        // A wrong password entered for this run wins over the stored one, and the server says no.
        ComposeFixture wrong(true, servers.smtpServer("SMTP_AUTH_PORT"));
        QVERIFY(SaveAccount(wrong.program.folder(), Mailbox, MailServers::password(Mailbox), true).ok);
        wrong.state.account.UserId = Mailbox;
        wrong.state.account.Password = QStringLiteral("typed-wrong");
        wrong.state.account.EnteredThisRun = true;
        wrong.form->ToText->setText(Mailbox + QStringLiteral("@example.jp"));
        wrong.form->Command1->click();
        QCOMPARE(wrong.shown().size(), 1);
        QCOMPARE(wrong.shown().first().title, QStringLiteral("送信エラー"));
        QVERIFY(!wrong.shown().first().text.contains(QStringLiteral("typed-wrong")));
        QCOMPARE(servers.mails(Mailbox).size(), 2);
    }
};

QTEST_MAIN(WriteFormSmtpTest)
#include "write_form_smtp_test.moc"
