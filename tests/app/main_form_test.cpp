// The main window under the offscreen platform: start-up, help texts, clock, the wheel driven
// by Start, the help page and closing.

#include "app/Forms.h"
#include "app/DesktopSetup.h"
#include "app/MainForm.h"
#include "history/TyakuForm.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <optional>

namespace {

OptionForm* visibleOptionForm()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<OptionForm*>(w); form && form->isVisible())
            return form;
    return nullptr;
}

void moveMouseOver(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

int visibleMarkers(const MainForm& form)
{
    int count = 0;
    for (QLabel* marker : form.Image2)
        count += marker->isVisibleTo(const_cast<MainForm*>(&form)) ? 1 : 0;
    return count;
}

// The program as main() puts it together, on a temporary program folder and scripted seams.
struct Program {
    TempProgramFolder program;
    ScriptedSeams seams;
    ProgramState state{program.folder()};
    ScriptedFileDialogs files;
    std::optional<Forms> forms{std::in_place, state, seams.seams(), files};

    MainForm& main() { return forms->mainForm(); }
};

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    // The fonts main() installs, so that texts take the room they take in the program.
    void initTestCase() { desktopsetup::installFonts(*qApp); }

    void firstStartOpensServerSettingsOverTheMainWindow()
    {
        Program p;
        {
            MainForm& main = p.main();
            Forms::present(main);
            main.Form_Load();
            QCOMPARE(main.windowTitle(),
                     QStringLiteral("zer、ido　新着メールで、ルーレットだよッ！！  Ver 1.51"));
            QCOMPARE(main.size(), QSize(509, 344));
            QVERIFY(main.Text1->toPlainText().isEmpty());
            QVERIFY(main.Text2->text().isEmpty());  // no clock before the first tick
            QVERIFY(!main.Timer1->isActive());
            QVERIFY(main.Timer2->isActive());
            QCOMPARE(main.Timer2->interval(), 1000);
            for (QPushButton* b : {main.Command3, main.Command4, main.Command5, main.Command6,
                                   main.Command7, main.Command8, main.Command11, main.Command12,
                                   main.Command2})
                QVERIFY(b->isVisible() && b->isEnabled());
            QVERIFY(visibleOptionForm());
            QVERIFY(visibleOptionForm()->windowFlags() & Qt::WindowStaysOnTopHint);
        }
        p.forms.reset();
        QVERIFY(!visibleOptionForm());  // the program's end discards it without asking
    }

    void configuredStartLoadsSettingsAndOpensNothing()
    {
        Program p;
        p.program.write(QStringLiteral("zelvin.ini"), "SMTP=s\r\nPOP3=p\r\nMAIL=m\r\nAPOP=1\r\n");
        p.main().Form_Load();
        QCOMPARE(p.state.account.Pop3Server, QStringLiteral("p"));
        QCOMPARE(p.state.account.UseApop, std::int16_t(1));
        QVERIFY(!visibleOptionForm());
    }

    // The account file holds the password: one others can read (copied, restored, written by
    // hand) is narrowed to its owner at start and the user told, once.
    void accountFileReadableByOthersIsNarrowedAndToldOnce()
    {
        Program p;
        p.program.write(QStringLiteral("zelvin.ini"), "SMTP=s\r\nPOP3=p\r\nMAIL=m\r\nAPOP=0\r\n");
        p.program.write(QStringLiteral("★MAilData/iniIdPass.ini"), "[EXEINI]\r\nNAME=tessa\r\nNAME2=secret\r\nNAME3=1\r\n");
        const QString account = p.program.file(QStringLiteral("★MAilData/iniIdPass.ini"));
        QVERIFY(QFile::setPermissions(account, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        p.main().Form_Load();
        QCOMPARE(QFile::permissions(account), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(p.seams.messages.shown.size(), 1);
        QCOMPARE(p.seams.messages.shown.first().icon, MessageIcon::Warning);
        QVERIFY2(p.seams.messages.shown.first().text.contains(QStringLiteral("iniIdPass.ini")),
                 qPrintable(p.seams.messages.shown.first().text));
        p.main().Form_Load();  // the next start finds it private
        QCOMPARE(p.seams.messages.shown.size(), 1);
    }

    void helpTextsFollowTheMouse()
    {
        Program p;
        MainForm& main = p.main();
        const QList<QPair<QWidget*, QString>> expected = {
            {main.Command3, QStringLiteral("メールの新規作成・送信を行います。")},
            {main.Command4, QStringLiteral("新着メールの受信を行います。")},
            {main.Command5, QStringLiteral("メールアドレスの登録を行います。")},
            {main.Command6, QStringLiteral("受信したメールを見ます")},
            {main.Command7, QStringLiteral("送信したメールを見ます")},
            {main.Command8, QStringLiteral("ID,PASS,サーバーの設定を行います。")},
            {main.Command12, QStringLiteral("メーラー専門店、作者のホームページです。")},
            {main.Command11, QStringLiteral("フォームの最小化を行います。")},
            {main.Command2, QStringLiteral("メール受信時以外のルーレットをスタートさせます。番号、「赤」または「白」、"
                                           "の賭け方が出来ます。音量注意。")},
            {main.Label1, QStringLiteral("新着メールがあると、ルーレットが自動的にスタートし、カウントする効果音が"
                                         "鳴り出します。しばらくすると自動で停止します。")},
        };
        for (const auto& [widget, text] : expected) {
            moveMouseOver(widget);
            QCOMPARE(main.Text1->toPlainText(), text);
        }
        moveMouseOver(main.Label5[0]);  // a number keeps the last text
        moveMouseOver(main.Text2);
        QCOMPARE(main.Text1->toPlainText(), expected.last().second);
        moveMouseOver(main.Image1);  // the background empties it
        QVERIFY(main.Text1->toPlainText().isEmpty());
    }

    // The pointer cannot reach a scroll bar of the help box without crossing the wheel, which
    // empties the box, so every help text must show whole. Short ones keep the window's font.
    void everyHelpTextShowsWhole()
    {
        Program p;
        MainForm& main = p.main();
        Forms::present(main);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const double windowPoints = main.font().pointSizeF();
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 main.Command3, main.Command4, main.Command5, main.Command6, main.Command7, main.Command8,
                 main.Command12, main.Command11, main.Command2, main.Label1}) {
            moveMouseOver(widget);
            main.Text1->grab();  // lays the text out as it is drawn
            const QString text = main.Text1->toPlainText();
            QVERIFY2(main.Text1->verticalScrollBar()->maximum() == 0, qPrintable(text));
            QVERIFY2(main.Text1->font().pointSizeF() >= 7.0, qPrintable(text));
            if (text.size() <= 20)
                QCOMPARE(main.Text1->font().pointSizeF(), windowPoints);
        }
    }

    void clockShowsDateTwoSpacesTime()
    {
        Program p;
        MainForm& main = p.main();
        main.Timer2_Timer();
        QCOMPARE(main.Text2->text(), QStringLiteral("2026/12/08  9:30:05"));
        p.seams.clock.current = QDateTime(QDate(2027, 1, 2), QTime(23, 4, 0));
        main.Timer2_Timer();
        QCOMPARE(main.Text2->text(), QStringLiteral("2027/01/02  23:04:00"));
    }

    // A bulk send's progress takes the status line for its duration and gives it back.
    void progressGivesTheStatusLineBack()
    {
        Program p;
        MainForm& main = p.main();
        main.Label2->setText(QStringLiteral("新着メール有り。"));
        main.showProgress(QStringLiteral("送信中 1/2"));
        main.showProgress(QStringLiteral("送信中 2/2"));
        QCOMPARE(main.Label2->text(), QStringLiteral("送信中 2/2"));
        main.showProgress({});
        QCOMPARE(main.Label2->text(), QStringLiteral("新着メール有り。"));
    }

    void startSpinsTheWheelToItsEnd()
    {
        Program p;
        p.seams.random.values = {0.0, 0.0, 0.0};  // 20 fast, 20 medium, 10 slow steps
        MainForm& main = p.main();
        Forms::present(main);
        QCOMPARE(visibleMarkers(main), 0);

        main.Command2->click();
        QVERIFY(!main.Command2->isEnabled());
        QVERIFY(main.Timer1->isActive());
        QCOMPARE(main.Timer1->interval(), 100);
        int ticks = 0;
        while (!main.Command2->isEnabled() && ticks < 200) {
            main.Timer1_Timer();
            ++ticks;
            QCOMPARE(visibleMarkers(main), 1);
        }
        QCOMPARE(ticks, 51);  // 50 steps, then the tick that enables Start
        QCOMPARE(p.seams.beeper.count, 50);
        QVERIFY(main.Image2[50 % 16]->isVisible());
        QCOMPARE(main.Timer1->interval(), 100);
        QVERIFY(main.Timer1->isActive());  // idles until the next start
    }

    void helpPageOpensInTheBrowserOrSaysWhereItIs()
    {
        Program p;
        MainForm& main = p.main();
        main.Command12->click();
        QCOMPARE(p.seams.messages.shown.size(), 1);  // page missing from this folder
        QVERIFY(p.seams.browser.opened.isEmpty());

        QDir(p.program.path()).mkdir(QStringLiteral("help"));
        p.program.write(QStringLiteral("help/index.html"), "<html></html>");
        main.Command12->click();
        QCOMPARE(p.seams.browser.opened.size(), 1);
        QCOMPARE(p.seams.browser.opened.first(), QUrl::fromLocalFile(p.program.file(QStringLiteral("help/index.html"))));
        QCOMPARE(p.seams.messages.shown.size(), 1);

        p.seams.browser.succeeds = false;
        main.Command12->click();
        QCOMPARE(p.seams.messages.shown.size(), 2);
        QVERIFY(p.seams.messages.shown.last().text.contains(p.program.file(QStringLiteral("help/index.html"))));
    }

    void settingsButtonOpensOneChooserAndClosingEndsTheProgram()
    {
        Program p;
        MainForm& main = p.main();
        Forms::present(main);
        main.Command8->click();
        main.Command8->click();
        int choosers = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            choosers += (w->objectName() == QStringLiteral("SetForm") && w->isVisible()) ? 1 : 0;
        QCOMPARE(choosers, 1);

        QSignalSpy unloaded(&main, &MainForm::unloaded);
        main.close();
        QCOMPARE(unloaded.size(), 1);
    }

    // A window opened from another leaves that one usable: ID,PASS does not hide the chooser's
    // other button, and no window covers a button of the main window it came from when the
    // screen has room beside it.
    void windowsOpenBesideTheWindowTheyCameFrom()
    {
        Program p;
        MainForm& main = p.main();
        Forms::present(main);
        main.Command8->click();  // 設定
        SetForm& chooser = p.forms->setForm();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        chooser.Command1->click();  // ID/PASS
        IdPassForm& idPass = p.forms->idPassForm();
        QVERIFY(QTest::qWaitForWindowExposed(&idPass));
        const QRect screen = main.screen()->availableGeometry();
        for (const QWidget* window : {static_cast<QWidget*>(&chooser), static_cast<QWidget*>(&idPass)})
            QVERIFY(screen.contains(window->frameGeometry()));
        const auto globalRect = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
        for (const QWidget* button : {chooser.Command1, chooser.Command2})
            QVERIFY(!idPass.frameGeometry().intersects(globalRect(button)));
        for (const QPushButton* button : main.findChildren<QPushButton*>())
            QVERIFY2(!chooser.frameGeometry().intersects(globalRect(button)), qPrintable(button->text()));
    }

    // Closing the main window ends the program at once: the viewer, still open, does not run its
    // closing steps, so the editor's per-user settings are not written.
    void closingTheMainWindowEndsWithoutTheOtherWindowsClosingSteps()
    {
        QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        Program p;
        QPointer<TyakuForm> viewer;
        QTimer::singleShot(0, [&] {
            viewer = &p.forms->tyakuForm();
            Forms::present(*viewer);
            p.main().close();
        });
        QCOMPARE(RunProgram(*p.forms), 0);
        QVERIFY(viewer && viewer->isVisible());
        p.forms.reset();  // the end of main() discards the windows
        QVERIFY(!viewer);
        QVERIFY(QDir(settings.path()).isEmpty());
    }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
