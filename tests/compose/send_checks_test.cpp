// What both sending windows do before and after the mail library has the mail: a send without a
// sender address, a line break in a one-line box, characters code page 932 has no code for, and
// a send that fails. In each case nothing typed is lost and the user can send again. Each case
// runs on both windows.

#include "ComposeFixture.h"

#include <QLabel>
#include <QtTest>

namespace {

const QString NotSentStatus = QStringLiteral("送信を取りやめました。");

void bothWindows()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("compose") << QStringLiteral("compose");
    QTest::newRow("reply") << QStringLiteral("reply");
}

// The window is still open with what the user wrote, and nothing went to the sent history.
void checkKept(const AnyWindow& w, const QString& to, const QString& subject, const QString& body)
{
    QVERIFY(!w.unloaded());
    QVERIFY(w.window()->isVisible());
    QCOMPARE(w.to->text(), to);
    QCOMPARE(w.subject->text(), subject);
    QCOMPARE(w.body(), body);
    QVERIFY(!QApplication::overrideCursor());
}

}  // namespace

class SendChecksTest : public QObject {
    Q_OBJECT

private slots:
    void missingSenderAddressPointsToTheSettings_data() { bothWindows(); }
    void missingSenderAddressPointsToTheSettings()
    {
        QFETCH(QString, kind);
        AnyWindow w(kind);
        w.fixture->state.account.MailAddress = QStringLiteral("  ");
        w.write(QStringLiteral("to@example.jp"), QStringLiteral("件名"), QStringLiteral("本文"));

        w.send->click();

        QCOMPARE(w.fixture->shown().size(), 1);
        const ShownMessage& refusal = w.fixture->shown().first();
        QVERIFY2(refusal.text.contains(QStringLiteral("「設定」")) && refusal.text.contains(QStringLiteral("メールアドレス")),
                 qPrintable(refusal.text));
        QCOMPARE(refusal.icon, MessageIcon::Warning);
        checkKept(w, QStringLiteral("to@example.jp"), QStringLiteral("件名"), QStringLiteral("本文"));
        QVERIFY(w.fixture->sentFile().isEmpty());
        if (w.compose)
            QCOMPARE(w.compose->form->Label7->text(), NotSentStatus);
        else
            QCOMPARE(w.reply->mainFormShown, 0);
    }

    // A line break in a one-line box would reach a header or an SMTP command of its own.
    void lineBreakInAOneLineBoxIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("named");
        for (const char* kind : {"compose", "reply"}) {
            const bool reply = QByteArray(kind) == "reply";
            QTest::addRow("%s, recipient", kind) << QString::fromLatin1(kind) << QStringLiteral("to") << QStringLiteral("「宛先」");
            QTest::addRow("%s, subject", kind) << QString::fromLatin1(kind) << QStringLiteral("subject")
                                               << (reply ? QStringLiteral("「題名」") : QStringLiteral("「件名」"));
            QTest::addRow("%s, attachments", kind) << QString::fromLatin1(kind) << QStringLiteral("paths")
                                                   << QStringLiteral("「添付File」");
        }
    }
    void lineBreakInAOneLineBoxIsRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, box);
        QFETCH(QString, named);
        AnyWindow w(kind);
        QLineEdit* edit = box == QStringLiteral("to") ? w.to : box == QStringLiteral("subject") ? w.subject : w.row.paths;
        const QString to = box == QStringLiteral("to") ? QStringLiteral("a@example.jp\r\nRCPT TO:<b@example.jp>")
                                                       : QStringLiteral("a@example.jp");
        w.to->setText(to);
        w.subject->setText(QStringLiteral("件名"));
        edit->setText(edit->text() + QStringLiteral("x\ny"));
        const QString typed = edit->text();

        w.send->click();

        QCOMPARE(w.fixture->shown().size(), 1);
        QVERIFY2(w.fixture->shown().first().text.contains(named), qPrintable(w.fixture->shown().first().text));
        QCOMPARE(edit->text(), typed);
        QVERIFY(!w.unloaded());
        QVERIFY(w.fixture->sentFile().isEmpty());
    }

    // Characters code page 932 has no code for would go out as a look-alike or "〓": the user sees
    // which, in which box, and decides.
    void charactersOutsideCodePage932AreShownFirst_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("sendAnyway");
        for (const char* kind : {"compose", "reply"}) {
            QTest::addRow("%s, no", kind) << QString::fromLatin1(kind) << false;
            QTest::addRow("%s, yes", kind) << QString::fromLatin1(kind) << true;
        }
    }
    void charactersOutsideCodePage932AreShownFirst()
    {
        QFETCH(QString, kind);
        QFETCH(bool, sendAnyway);
        AnyWindow w(kind);
        w.write(QStringLiteral("to@example.jp"), QStringLiteral("Café のご案内"), QStringLiteral("简体字と😀と①～髙"));
        w.fixture->messages.scripted.answers.enqueue(sendAnyway ? MessageAnswer::Yes : MessageAnswer::No);

        w.send->click();

        QVERIFY(!w.fixture->shown().isEmpty());
        const ShownMessage& question = w.fixture->shown().first();
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QVERIFY2(question.text.contains(QStringLiteral("é")) && question.text.contains(QStringLiteral("简")) &&
                     question.text.contains(QStringLiteral("😀")),
                 qPrintable(question.text));
        // ① ～ 髙 are in code page 932 and are not listed.
        QVERIFY2(!question.text.contains(QStringLiteral("①")) && !question.text.contains(QStringLiteral("髙")),
                 qPrintable(question.text));
        if (!sendAnyway) {
            QCOMPARE(w.fixture->shown().size(), 1);
            checkKept(w, QStringLiteral("to@example.jp"), QStringLiteral("Café のご案内"), QStringLiteral("简体字と😀と①～髙"));
            QVERIFY(w.fixture->sentFile().isEmpty());
            return;
        }
        // Sent (and here refused by the closed port): the error follows the question.
        QCOMPARE(w.fixture->shown().size(), 2);
        QCOMPARE(w.fixture->shown().at(1).title, QStringLiteral("送信エラー"));
    }

    // A failed send keeps the window, everything typed and attached; the user can send again.
    void failedSendKeepsTheWindowAndItsContent_data() { bothWindows(); }
    void failedSendKeepsTheWindowAndItsContent()
    {
        QFETCH(QString, kind);
        AnyWindow w(kind);
        const QString attachment = w.fixture->program.file(QStringLiteral("添付フォルダ/memo.txt"));
        w.fixture->program.write(QStringLiteral("添付フォルダ/memo.txt"), "memo\r\n");
        w.fixture->files.answers << attachment;
        w.row.attach->click();
        w.write(QStringLiteral("to@example.jp"), QStringLiteral("件名"), QStringLiteral("本文\r\n二行目"));

        w.send->click();

        QCOMPARE(w.fixture->shown().size(), 1);
        const ShownMessage& error = w.fixture->shown().first();
        QCOMPARE(error.title, QStringLiteral("送信エラー"));
        QVERIFY2(error.text.contains(QStringLiteral("127.0.0.1:1")), qPrintable(error.text));
        checkKept(w, QStringLiteral("to@example.jp"), QStringLiteral("件名"), QStringLiteral("本文\r\n二行目"));
        QCOMPARE(w.row.paths->text(), attachment);
        if (w.compose) {
            QVERIFY2(w.compose->form->Label7->text().contains(QStringLiteral("送信できませんでした")),
                     qPrintable(w.compose->form->Label7->text()));
        } else {
            QVERIFY2(error.text.contains(QStringLiteral("送信されていません")), qPrintable(error.text));
            QCOMPARE(w.reply->mainFormShown, 0);
            QVERIFY(w.fixture->sentFile().isEmpty());  // a reply keeps no record
        }

        w.send->click();  // again: the same failure, reported again, the window still there
        QCOMPARE(w.fixture->shown().size(), 2);
        QCOMPARE(w.fixture->shown().at(1).title, QStringLiteral("送信エラー"));
        QVERIFY(!w.unloaded());
    }
};

QTEST_MAIN(SendChecksTest)
#include "send_checks_test.moc"
