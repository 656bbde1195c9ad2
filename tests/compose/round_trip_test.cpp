// The whole way round on the real servers: a mail written in the compose window, sent through the
// loopback SMTP server into Dovecot's mailbox, fetched by the program's own mail check. The
// received record holds the subject and the text as they were typed, after code page 932 (the
// one change the program's files and the mail library's calls make to any text).

#include "CheckMailProgram.h"
#include "MailServers.h"
#include "app/CheckMail.h"
#include "compose/WriteForm.h"
#include "mail/MailOptions.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A POP3 account of the test servers of its own.
const QString User = QStringLiteral("trip");

QString afterCodePage932(const QString& text) { return cp932::decode(cp932::encode(text)); }

}  // namespace

class RoundTripTest : public QObject {
    Q_OBJECT

    MailServers servers;

private slots:
    void initTestCase()
    {
        QVERIFY2(servers.isUp(), "the mailservers fixture did not start");
        nmail::options().caFile = servers.caFile();
        nmail::options().timeout = std::chrono::seconds(10);
    }

    void typedTextComesBackAsTyped_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::newRow("JIS, kanji at line ends") << QStringLiteral("一二三四五六七八九十一二三四五六 Meeting")
                                                 << QStringLiteral("よろしくお願いします。\r\nTaro Yamada\r\n\r\n漢字で終わる行");
        QTest::newRow("outside strict JIS") << QStringLiteral("①髙ｺﾋﾟｰ～－の件")
                                            << QStringLiteral("丸数字①、髙、ｺﾋﾟｰ\r\n10時～12時");
        QTest::newRow("long ASCII subject") << QStringLiteral("word ").repeated(19) + QStringLiteral("end")
                                            << QStringLiteral("plain text\r\nline two");
        QTest::newRow("outside code page 932") << QStringLiteral("Café 😀") << QStringLiteral("简体字 é");
    }
    void typedTextComesBackAsTyped()
    {
        QFETCH(QString, subject);
        QFETCH(QString, body);
        servers.empty(User);
        CheckMailProgram p(servers.server("POP3_PORT"));
        QVERIFY(SaveAccount(p.program.folder(), User, MailServers::password(User), true).ok);
        p.state.account.SmtpServer = servers.smtpServer("SMTP_PORT");
        p.state.account.MailAddress = QStringLiteral("tessa@example.jp");
        // Text code page 932 cannot hold is sent as a look-alike or "〓" once the user agrees (the
        // scripted boxes answer a question with "はい").

        WriteForm& write = p.forms.writeForm();
        Forms::present(write);
        write.ToText->setText(User + QStringLiteral("@example.jp"));
        write.SubjectText->setText(subject);
        write.setBodyText(body);
        write.Command1->click();
        const qsizetype questions = p.seams.messages.shown.size();
        QCOMPARE(questions, afterCodePage932(subject + body) == subject + body ? 0 : 1);
        QCOMPARE(servers.mails(User).size(), 1);

        CheckMail(p.forms);

        QVERIFY2(p.seams.messages.shown.size() == questions, qPrintable(p.seams.messages.shown.value(questions).text));
        const QString path = store::historyPath(p.program.folder(), store::HistoryKind::Received);
        QCOMPARE(store::recordCount(path), 1);
        const store::HistoryRecord record = *store::readRecord(path, 1);
        QCOMPARE(textfields::trimSpaces(record.Subject), afterCodePage932(subject));
        QString text = textfields::trimSpaces(record.Body);
        if (text.endsWith(QStringLiteral("\r\n")))
            text.chop(2);  // the line end the mail gives its last line
        QCOMPARE(text, afterCodePage932(body));
        QVERIFY(servers.mails(User).isEmpty());
    }
};

QTEST_MAIN(RoundTripTest)
#include "round_trip_test.moc"
