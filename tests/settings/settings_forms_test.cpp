// The settings windows under the offscreen platform: what each button, Enter and Esc store.

#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "settings/SettingsFiles.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

void showWithFocusOn(QWidget& window, QWidget* focused)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    focused->setFocus();
    QTRY_VERIFY(focused->hasFocus());
}

}  // namespace

class SettingsFormsTest : public QObject {
    Q_OBJECT

private slots:
    void optionFormShowsMemoryAndStoresOnSettei()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        AccountSettings settings;
        settings.SmtpServer = QStringLiteral("smtp.example.jp");
        settings.UseApop = 1;
        OptionForm form(settings, program.folder(), seams.seams());
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form.windowTitle(), QStringLiteral("サーバー設定"));
        QCOMPARE(form.SmtpText->text(), QStringLiteral("smtp.example.jp"));
        QVERIFY(form.ApopCheck->isChecked());

        form.show();
        form.Pop3Text->setText(QStringLiteral("pop.example.jp"));
        form.ApopCheck->setChecked(false);
        form.OkCommand->click();
        QCOMPARE(settings.Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(settings.UseApop, std::int16_t(0));
        QCOMPARE(program.read(QStringLiteral("zelvin.ini")),
                 QByteArray("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=\r\nAPOP=0\r\n"));
        QVERIFY(!form.isVisible());
        QVERIFY(seams.messages.shown.isEmpty());
    }

    void optionFormEnterInABoxDoesNotSaveEscCancels()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        AccountSettings settings;
        OptionForm form(settings, program.folder(), seams.seams());
        showWithFocusOn(form, form.Pop3Text);
        QTest::keyClicks(form.Pop3Text, QStringLiteral("pop.example.jp"));
        QTest::keyClick(form.Pop3Text, Qt::Key_Return);
        QVERIFY(form.isVisible());
        QVERIFY(settings.Pop3Server.isEmpty());
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QVERIFY(settings.Pop3Server.isEmpty());
        QVERIFY(!QFile::exists(program.file(QStringLiteral("zelvin.ini"))));
    }

    // Enter on a focused button presses that button, in both windows with a storing and a
    // cancelling button; Enter on a focused cancelling button never stores.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<bool>("idPass");
        QTest::addColumn<bool>("onStoringButton");
        QTest::newRow("サーバー設定, 中止") << false << false;
        QTest::newRow("サーバー設定, 設定") << false << true;
        QTest::newRow("ID,PASS, Cancel") << true << false;
        QTest::newRow("ID,PASS, OK") << true << true;
    }
    void enterPressesTheFocusedButton()
    {
        QFETCH(bool, idPass);
        QFETCH(bool, onStoringButton);
        TempProgramFolder program;
        ScriptedSeams seams;
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("old"), QStringLiteral("oldpw"), true).ok);
        AccountSettings settings;
        std::unique_ptr<QDialog> form;
        QPushButton* button = nullptr;
        if (idPass) {
            auto* window = new IdPassForm(settings, program.folder(), seams.seams());
            form.reset(window);
            window->IdText->setText(QStringLiteral("new"));
            window->Check1->setChecked(true);
            button = onStoringButton ? window->OKCommand : window->CancelCommand;
        } else {
            auto* window = new OptionForm(settings, program.folder(), seams.seams());
            form.reset(window);
            window->Pop3Text->setText(QStringLiteral("pop.example.jp"));
            button = onStoringButton ? window->OkCommand : window->CancelCommand;
        }
        showWithFocusOn(*form, button);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!form->isVisible());
        const bool stored = idPass ? ReadAccount(program.folder()).userId == QStringLiteral("new")
                                   : QFile::exists(program.file(QStringLiteral("zelvin.ini")));
        QCOMPARE(stored, onStoringButton);
        QCOMPARE(idPass ? settings.UserId == QStringLiteral("new") : settings.Pop3Server.size() > 0, onStoringButton);
    }

    // A pasted line break would start a line of its own in a settings file, and a NUL would end
    // the value for other readers: neither is taken over.
    void lineBreaksAndNulsAreDropped()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        AccountSettings settings;
        OptionForm server(settings, program.folder(), seams.seams());
        showWithFocusOn(server, server.Pop3Text);
        QApplication::clipboard()->setText(QStringLiteral("pop.example.jp\r\nSMTP=elsewhere.example\n"));
        QTest::keyClick(server.Pop3Text, Qt::Key_V, Qt::ControlModifier);
        server.MailText->setText(QStringLiteral("taro@\rexample.jp") + QChar(0) + QStringLiteral("\n"));
        server.OkCommand->click();
        QCOMPARE(settings.Pop3Server, QStringLiteral("pop.example.jpSMTP=elsewhere.example"));
        QCOMPARE(settings.MailAddress, QStringLiteral("taro@example.jp"));
        QCOMPARE(program.read(QStringLiteral("zelvin.ini")),
                 QByteArray("SMTP=\r\nPOP3=pop.example.jpSMTP=elsewhere.example\r\nMAIL=taro@example.jp\r\nAPOP=0\r\n"));

        IdPassForm account(settings, program.folder(), seams.seams());
        account.IdText->setText(QStringLiteral("ta\r\nro"));
        account.PassText->setText(QStringLiteral("p") + QChar(0) + QStringLiteral("w\n"));
        account.Check1->setChecked(true);
        account.OKCommand->click();
        QCOMPARE(settings.UserId, QStringLiteral("taro"));
        QCOMPARE(settings.Password, QStringLiteral("pw"));
        QCOMPARE(program.read(QStringLiteral("★MAilData/iniIdPass.ini")),
                 QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
        QVERIFY(seams.messages.shown.isEmpty());
    }

    void optionFormReportsAnUnwritableFolderButKeepsTheEntries()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        AccountSettings settings;
        // A folder where the settings file should be makes the save fail whoever runs the test.
        QDir(program.path()).mkdir(QStringLiteral("zelvin.ini"));
        OptionForm form(settings, program.folder(), seams.seams());
        form.Pop3Text->setText(QStringLiteral("pop.example.jp"));
        form.OkCommand->click();
        QCOMPARE(settings.Pop3Server, QStringLiteral("pop.example.jp"));
        QCOMPARE(seams.messages.shown.size(), 1);
        QVERIFY(seams.messages.shown.first().text.contains(QStringLiteral("zelvin.ini")));
        QCOMPARE(seams.messages.shown.first().title, QStringLiteral("rudiv"));
    }

    void idPassFormOpensWithStoredValuesAndUncheckedBox()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("taro"), QStringLiteral("pw"), true).ok);
        AccountSettings settings;
        IdPassForm form(settings, program.folder(), seams.seams());
        QCOMPARE(form.IdText->text(), QStringLiteral("taro"));
        QCOMPARE(form.PassText->text(), QStringLiteral("pw"));
        QCOMPARE(form.PassText->echoMode(), QLineEdit::Password);
        QVERIFY(!form.PassText->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(!form.Check1->isChecked());  // even though NAME3 is "1"
        QVERIFY(form.Check1->text().isEmpty());
    }

    void idPassEnterIsOkAndUncheckedStoresOnlyTheChoice()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        QVERIFY(SaveAccount(program.folder(), QStringLiteral("old"), QStringLiteral("oldpw"), true).ok);
        AccountSettings settings;
        IdPassForm form(settings, program.folder(), seams.seams());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.IdText->setText(QStringLiteral("new"));
        form.PassText->setFocus();
        form.PassText->clear();
        QTest::keyClicks(form.PassText, QStringLiteral("newpw"));
        QTest::keyClick(form.PassText, Qt::Key_Return);
        QVERIFY(!form.isVisible());
        QCOMPARE(settings.UserId, QStringLiteral("new"));
        QCOMPARE(settings.Password, QStringLiteral("newpw"));
        const StoredAccount stored = ReadAccount(program.folder());
        QCOMPARE(stored.userId, QStringLiteral("old"));
        QCOMPARE(stored.password, QStringLiteral("oldpw"));
        QCOMPARE(stored.saveChoice, QStringLiteral("0"));
    }

    void idPassCheckedStoresAndEscChangesNothing()
    {
        TempProgramFolder program;
        ScriptedSeams seams;
        AccountSettings settings;
        {
            IdPassForm form(settings, program.folder(), seams.seams());
            form.show();
            form.IdText->setText(QStringLiteral("id"));
            form.PassText->setText(QStringLiteral("pw"));
            QTest::keyClick(&form, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            QVERIFY(settings.UserId.isEmpty());
            QVERIFY(!QFile::exists(program.file(QStringLiteral("★MAilData/iniIdPass.ini"))));
        }
        IdPassForm form(settings, program.folder(), seams.seams());
        form.IdText->setText(QStringLiteral("id"));
        form.PassText->setText(QStringLiteral("pw"));
        form.Check1->setChecked(true);
        form.OKCommand->click();
        QCOMPARE(ReadAccount(program.folder()).password, QStringLiteral("pw"));
        QCOMPARE(ReadAccount(program.folder()).saveChoice, QStringLiteral("1"));
    }

    void idPassStoreWithoutDataFolderIsReported()
    {
        TempProgramFolder program(false);
        ScriptedSeams seams;
        AccountSettings settings;
        IdPassForm form(settings, program.folder(), seams.seams());
        form.IdText->setText(QStringLiteral("id"));
        form.PassText->setText(QStringLiteral("pw"));
        form.Check1->setChecked(true);
        form.OKCommand->click();
        QCOMPARE(settings.UserId, QStringLiteral("id"));
        QCOMPARE(seams.messages.shown.size(), 1);
        QVERIFY(seams.messages.shown.first().text.contains(QStringLiteral("★MAilData")));
        QVERIFY(!seams.messages.shown.first().text.contains(QStringLiteral("pw")));
    }

    void setFormButtonsOpenTheTwoWindows()
    {
        int idPass = 0;
        int server = 0;
        SetForm form([&] { ++idPass; }, [&] { ++server; });
        QCOMPARE(form.windowTitle(), QStringLiteral("設定"));
        form.Command1->click();
        form.Command2->click();
        form.Command2->click();
        QCOMPARE(idPass, 1);
        QCOMPARE(server, 2);
        QCOMPARE(form.Command2->text(), QStringLiteral("POPサーバー"));
    }
};

QTEST_MAIN(SettingsFormsTest)
#include "settings_forms_test.moc"
