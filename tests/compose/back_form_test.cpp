// The reply window under the offscreen platform: its state at load, how its boxes follow the
// window's size, "本文に貼付" with and without text on the clipboard, and the buttons that close
// it. (What a failed send does is in send_checks_test, beside the compose window's.)

#include "ComposeFixture.h"
#include "LineEdits.h"
#include "platform/Twips.h"

#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

class BackFormTest : public QObject {
    Q_OBJECT

private slots:
    void loadsWithEveryAttachmentButtonUsable()
    {
        ReplyFixture r;
        BackForm& form = *r.form;
        QCOMPARE(form.windowTitle(), QStringLiteral("返事を出す"));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(form.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(form.minimumSize() != form.maximumSize());
        QCOMPARE(form.size(), twips::size(7785, 6000));
        QVERIFY(form.AttachCommand->isEnabled());
        QVERIFY(form.Command9->isEnabled());
        QVERIFY(form.Command10->isEnabled());
        QVERIFY(!form.List2->isVisible());
        QCOMPARE(form.BodyText->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(form.BodyText->font().pointSize(), 9);
        const QStringList captions = {QStringLiteral("ホーム"), QStringLiteral("送信"), QStringLiteral("送信中止"),
                                      QStringLiteral("本文に貼付")};
        const QList<QPushButton*> commands = {form.Command1, form.Command2, form.Command3, form.Command4};
        for (qsizetype i = 0; i < commands.size(); ++i)
            QCOMPARE(commands.at(i)->text(), captions.at(i));
    }

    // A fresh reply waits for the answer in its text: the first Space (the input method's
    // conversion key) goes there, not to "ホーム", which would close the reply.
    void focusStartsInTheText()
    {
        ReplyFixture r;
        r.form->setBodyText(QStringLiteral("受信した本文"));
        QVERIFY(QTest::qWaitForWindowActive(r.form));
        QCOMPARE(QApplication::focusWidget(), r.form->BodyText);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(!r.unloaded());
        QCOMPARE(r.form->bodyText(), QStringLiteral(" 受信した本文"));
    }

    // A window of 600 × 500 pixels is 9000 × 7500 twips: the body 8910 × 5550, the recipient
    // and subject 6300, the attachments 3600, and the buttons behind them at 4840, 5660 and
    // 6540 twips. Every box keeps its designed left edge and top.
    void boxesFollowTheWindowSize()
    {
        ReplyFixture r;
        BackForm& form = *r.form;
        form.resize(QSize(600, 500) - (form.frameGeometry().size() - form.size()));
        QCOMPARE(form.frameGeometry().size(), QSize(600, 500));
        QCOMPARE(form.BodyText->geometry(), QRect(0, 112, 594, 370));
        QCOMPARE(form.ToText->geometry(), QRect(72, 40, 420, 20));
        QCOMPARE(form.SubjectText->geometry(), QRect(72, 64, 420, 20));
        QCOMPARE(form.AttachText->geometry(), QRect(72, 88, 240, 20));
        QCOMPARE(form.AttachCommand->geometry().left(), 323);
        QCOMPARE(form.Command9->geometry().left(), 377);
        QCOMPARE(form.Command10->geometry().left(), 436);
        QCOMPARE(form.Command10->width(), twips::toPixels(855));
        QCOMPARE(form.List2->geometry(), twips::rect(1080, 1320, 3975, 1860));
    }

    // The viewer fills the recipient and subject of a reply; long ones show their start.
    void longValuesShowTheirStart()
    {
        ReplyFixture r;
        BackForm& form = *r.form;
        form.ToText->setText(QStringLiteral("長い名前の差出人さん <a.very.long.sender.address@example.co.jp>"));
        form.SubjectText->setText(QStringLiteral("Re: ") + QString(QStringLiteral("とても長い件名です、")).repeated(8));
        form.AttachText->setText(QStringLiteral("/home/user/添付/一つ目の長い名前のファイル.pdf,/home/user/二つ目.png"));
        for (QLineEdit* box : {form.ToText, form.SubjectText, form.AttachText})
            QVERIFY2(showsItsStart(box), qPrintable(box->objectName()));
    }

    void pasteSetsTheAnswerAboveTheReceivedBody()
    {
        ReplyFixture r;
        r.state.ReceivedRecord.Body = QStringLiteral("  受信した本文\r\n二行目") + QString(40, u' ');
        r.form->setBodyText(QStringLiteral("viewer text"));
        QGuiApplication::clipboard()->setText(QStringLiteral("  お返事です。"));

        r.form->Command4->click();

        const QString expected = QStringLiteral("お返事です。\r\n\r\n\r\n\r受信した本文\r\n二行目");
        QCOMPARE(r.form->bodyText(), expected);
        // The clipboard keeps the combined text, before its own spaces were trimmed.
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("  ") + expected);
    }

    void pasteWithAnEmptyClipboardStartsWithTheLineBreaks()
    {
        ReplyFixture r;
        r.state.ReceivedRecord.Body = QStringLiteral("y   ");
        QGuiApplication::clipboard()->clear();

        r.form->Command4->click();

        QCOMPARE(r.form->bodyText(), QStringLiteral("\r\n\r\n\r\n\ry"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("\r\n\r\n\r\n\ry"));
    }

    void homeAndStopCloseWithoutSending_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::newRow("ホーム") << QStringLiteral("ホーム");
        QTest::newRow("送信中止") << QStringLiteral("送信中止");
    }
    void homeAndStopCloseWithoutSending()
    {
        QFETCH(QString, caption);
        ReplyFixture r;
        r.form->ToText->setText(QStringLiteral("to@example.jp"));
        QPushButton* button = caption == QStringLiteral("ホーム") ? r.form->Command1 : r.form->Command3;
        QCOMPARE(button->text(), caption);
        button->click();
        QVERIFY(r.unloaded());
        QVERIFY(r.shown().isEmpty());
        QCOMPARE(r.mainFormShown, 0);
    }

};

QTEST_MAIN(BackFormTest)
#include "back_form_test.moc"
