// The compose window under the offscreen platform before anything is sent: its state at load,
// its layout, the recipient limit, the paste buttons, "クリア", "ホーム" and the help box.

#include "ComposeFixture.h"
#include "LineEdits.h"
#include "compose/AddressListPanel.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

void moveMouseOver(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QPushButton* buttonCaptioned(WriteForm& form, const QString& caption)
{
    for (QPushButton* b : form.findChildren<QPushButton*>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

}  // namespace

class WriteFormTest : public QObject {
    Q_OBJECT

private slots:
    void loadsEmptyWithTheAttachmentListHidden()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        QCOMPARE(form.windowTitle(), QStringLiteral("新規作成"));
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(form.Label7->text().isEmpty());
        QVERIFY(!form.List2->isVisible());
        QVERIFY(!form.Command9->isEnabled());
        QVERIFY(form.Command10->isEnabled());
        QVERIFY(form.AttachCommand->isEnabled());
        QVERIFY(!form.Check1->isChecked());
        QVERIFY(form.Combo1->isEditable());
        QVERIFY(!form.Text14->isVisible());
        QCOMPARE(form.ToText->maxLength(), 60);
    }

    // A fresh window waits for the recipient: a key typed at once goes into 宛先, not to a
    // button (a Space on "送信" would try to send an empty mail).
    void focusStartsInTheRecipientBox()
    {
        ComposeFixture c;
        QVERIFY(QTest::qWaitForWindowActive(c.form));
        QCOMPARE(QApplication::focusWidget(), c.form->ToText);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("to@example.jp"));
        QCOMPARE(c.form->ToText->text(), QStringLiteral(" to@example.jp"));
        QVERIFY(c.shown().isEmpty());
        QVERIFY(c.sentFile().isEmpty());
    }

    void addressPanelLiesBeyondTheNormalWidth()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        QCOMPARE(form.AddressPanel->x(), form.width());
        // The status line closes the window at the bottom.
        QCOMPARE(form.Label7->parentWidget()->geometry().bottom(), form.height() - 1);
        form.setOuterWidth(9700);
        QVERIFY(form.rect().contains(form.AddressPanel->geometry()));
        form.setOuterWidth(7100);
        // Everything else is inside the window, and the help box covers the body's lower part.
        for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child != form.AddressPanel)
                QVERIFY2(form.rect().contains(child->geometry()), qPrintable(child->objectName()));
        }
        QVERIFY(form.BodyText->geometry().contains(form.Text14->geometry()));
        QVERIFY(form.Text14->y() > form.BodyText->geometry().center().y());
        QCOMPARE(form.List2->geometry().topLeft(), form.AttachText->geometry().topLeft());
    }

    void recipientHoldsSixtyCharacters()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        const QString seventy = QString(QStringLiteral("あいうえおかきくけこ")).repeated(7);
        form.ToText->setFocus();
        QTest::keyClicks(form.ToText, QString(70, u'a'));
        QCOMPARE(form.ToText->text(), QString(60, u'a'));

        QGuiApplication::clipboard()->setText(seventy);
        form.Command7->click();  // 宛先に貼付 replaces, cut to the limit
        QCOMPARE(form.ToText->text(), seventy.left(60));
    }

    // A recipient pasted or chosen in the address panel, and the attachment paths, show their start.
    void longValuesShowTheirStart()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        QGuiApplication::clipboard()->setText(QStringLiteral("\"山田 太郎（株式会社テッサリー営業部）\" <taro.yamada@example.co.jp>"));
        QTest::mouseClick(form.Command7, Qt::LeftButton);  // the press takes the focus from 宛先
        form.AttachText->setText(QStringLiteral("/home/user/添付/一つ目の長い名前のファイル.pdf,/home/user/二つ目.png"));
        for (QLineEdit* box : {form.ToText, form.AttachText})
            QVERIFY2(showsItsStart(box), qPrintable(box->objectName()));
    }

    void pasteAppendsTheClipboardToTheBody()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        form.setBodyText(QStringLiteral("一行目\r\nabc"));
        QGuiApplication::clipboard()->setText(QStringLiteral("def\r\n二行目"));
        form.Command5->click();  // 本文に貼付
        QCOMPARE(form.bodyText(), QStringLiteral("一行目\r\nabcdef\r\n二行目"));

        QGuiApplication::clipboard()->clear();
        form.Command5->click();
        QCOMPARE(form.bodyText(), QStringLiteral("一行目\r\nabcdef\r\n二行目"));
        QGuiApplication::clipboard()->clear();
        form.Command7->click();
        QVERIFY(form.ToText->text().isEmpty());
    }

    void clearResetsTheFieldsAndKeepsTheWindow()
    {
        ComposeFixture c;
        WriteForm& form = *c.form;
        form.ToText->setText(QStringLiteral("to@example.jp"));
        form.SubjectText->setText(QStringLiteral("件名"));
        form.setBodyText(QStringLiteral("本文"));
        form.AttachText->setText(QStringLiteral("/a.txt,/b.txt"));
        form.List2->addItems({QStringLiteral("/a.txt"), QStringLiteral("/b.txt")});
        form.List2->show();
        form.Command9->setEnabled(true);
        form.AttachCommand->setEnabled(false);
        form.Check1->setChecked(true);

        form.Command11->click();  // クリア
        QVERIFY(form.ToText->text().isEmpty());
        QVERIFY(form.SubjectText->text().isEmpty());
        QVERIFY(form.bodyText().isEmpty());
        QVERIFY(form.AttachText->text().isEmpty());
        QCOMPARE(form.List2->count(), 0);
        QVERIFY(!form.List2->isVisible());
        QVERIFY(!form.Command9->isEnabled());
        QVERIFY(!form.Command10->isEnabled());
        QVERIFY(form.AttachCommand->isEnabled());
        QVERIFY(!form.Check1->isChecked());
        QVERIFY(!c.unloaded());
        QVERIFY(c.form->isVisible());
        QVERIFY(!QFile::exists(c.program.file(QStringLiteral("★MAilData/zeldata5.data"))));
    }

    void homeUnloadsWithoutSendingOrRecording()
    {
        ComposeFixture c;
        c.form->ToText->setText(QStringLiteral("to@example.jp"));
        c.form->Command8->click();  // ホーム
        QVERIFY(c.unloaded());
        QVERIFY(c.shown().isEmpty());
        QVERIFY(!QFile::exists(c.program.file(QStringLiteral("★MAilData/zeldata5.data"))));
    }

    void helpBoxExplainsEachButton_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("help");
        QTest::newRow("送信") << QStringLiteral("送信")
            << QStringLiteral("送信します。電話回線が接続されていない場合は、自動的に接続してメールを送信します。");
        QTest::newRow("送信中止") << QStringLiteral("送信中止") << QStringLiteral("送信を中止します。");
        QTest::newRow("アドレス帳") << QStringLiteral("アドレス帳")
            << QStringLiteral("このフォーム（新規作成）が拡張され、登録したメールアドレスの名称が一覧（リスト）に"
                              "現れます。送信したい名称をクリックすると、メールアドレスが自動的に入力されます。");
        QTest::newRow("本文に貼付") << QStringLiteral("本文に貼付")
            << QStringLiteral("本ソフト、他のアプリからのテキスト文書を本文中に貼付けます。");
        QTest::newRow("元のサイズ") << QStringLiteral("元のサイズ")
            << QStringLiteral("アドレス帳を含むサイズから、元のサイズに戻します。");
        QTest::newRow("宛先に貼付") << QStringLiteral("宛先に貼付")
            << QStringLiteral("コピーして来た内容を宛先に貼付ます。");
        QTest::newRow("ホーム") << QStringLiteral("ホーム") << QStringLiteral("メイン画面に戻ります。");
        QTest::newRow("クリア") << QStringLiteral("クリア")
            << QStringLiteral("宛先、件名、本文他、設定等が初期状態に戻せます。");
        QTest::newRow("添付File") << QStringLiteral("添付File")
            << QStringLiteral("各種ファイルを添付して送信できます。");
        QTest::newRow("追加") << QStringLiteral("追加")
            << QStringLiteral("添付ファイルを複数送信する際に使用します。確認しやすいように、"
                              "リストボックスが表示されます。");
    }
    void helpBoxExplainsEachButton()
    {
        QFETCH(QString, caption);
        QFETCH(QString, help);
        ComposeFixture c;
        WriteForm& form = *c.form;
        form.Command9->setEnabled(true);  // a disabled button gets no mouse
        QPushButton* button = buttonCaptioned(form, caption);
        QVERIFY(button);
        moveMouseOver(button);
        QVERIFY(form.Text14->isVisible());
        QCOMPARE(form.Text14->toPlainText(), help);

        // Only the body hides it again; other boxes and the unexplained button leave it.
        moveMouseOver(form.ToText);
        moveMouseOver(buttonCaptioned(form, QStringLiteral("取り消し")));
        QVERIFY(form.Text14->isVisible());
        QCOMPARE(form.Text14->toPlainText(), help);
        moveMouseOver(form.BodyText->viewport());
        QVERIFY(!form.Text14->isVisible());
    }
};

QTEST_MAIN(WriteFormTest)
#include "write_form_test.moc"
