#include "HistoryFiles.h"
#include "LineEdits.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "platform/Cp932.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

using history::LoadHistory;
using store::HistoryKind;

namespace {

const QString ReceivedFile = QStringLiteral("★MAilData/zeldata2.data");
const QString SentFile = QStringLiteral("★MAilData/zeldata5.data");

QList<MailFields> threeMails()
{
    return {{QStringLiteral("s1"), QStringLiteral("d1"), QStringLiteral("a1"), QStringLiteral(" body 1 ")},
            {QStringLiteral("s2"), QStringLiteral("d2"), QStringLiteral("a2"), QStringLiteral("body 2")},
            {QStringLiteral("s3"), QStringLiteral("d3"), QStringLiteral("a3"), QStringLiteral("body 3")}};
}

void pressLine(QListWidget* list, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(list->viewport(), button, {}, list->visualItemRect(list->item(row)).center());
}

void moveOver(QWidget* widget, QPoint at = {3, 3}) { QTest::mouseMove(widget, at); }

// Answers OK to the first prompt after making the missing file appear, as a user would who
// fixes the problem before retrying.
class FixingMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget*, const QString&, const QString&, MessageButtons, MessageIcon) override
    {
        ++prompts;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(cp932::encode(QStringLiteral("保存した文書")));
        return MessageAnswer::Ok;
    }
    QString path;
    int prompts = 0;
};

}  // namespace

class TyakuFormTest : public QObject {
    Q_OBJECT

private:
    struct Setup {
        TempProgramFolder folder;
        ProgramState state{folder.folder()};
        ScriptedSeams scripted;
        TyakuForm viewer{state, scripted.seams()};

        // A shown viewer filled from a history of the given mails.
        void load(HistoryKind kind, const QList<MailFields>& mails)
        {
            writeHistory(folder.file(kind == HistoryKind::Received ? ReceivedFile : SentFile), kind, mails);
            LoadHistory(viewer, state, kind);
            viewer.show();
            QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        }
    };

private slots:
    void loadedWindowIsReadyWithoutPrompts()
    {
        Setup s;
        QCOMPARE(s.viewer.Command2->parentWidget(), s.viewer.Picture1);
        QCOMPARE(s.viewer.List1->palette().color(QPalette::Base), QColor(255, 224, 192));
        QVERIFY(s.viewer.Text2->text().isEmpty());
        QVERIFY(s.viewer.lstLst->isHidden());
        QVERIFY(!s.viewer.rtfEd->isHidden());
        QCOMPARE(s.viewer.Command1->geometry(), QRect(32, 40, 97, 25));
        QCOMPARE(s.scripted.messages.shown.size(), 0);
        QCOMPARE(s.state.EditorModified, false);
    }

    void resizeGivesTheListAQuarterAndPutsTheBoxesBelowIt()
    {
        Setup s;
        s.viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.viewer));
        // The layout goes by the outer size, frame included.
        s.viewer.resize(QSize(400, 300) - (s.viewer.frameGeometry().size() - s.viewer.size()));
        QTRY_COMPARE(s.viewer.frameGeometry().size(), QSize(400, 300));
        // 400 × 300 pixels are 6000 × 4500 twips.
        QCOMPARE(s.viewer.List1->geometry(), QRect(0, 96, 396, 75));
        for (QLineEdit* box : {s.viewer.Text7, s.viewer.Text8, s.viewer.Text9})
            QCOMPARE(box->y(), 171);
        QCOMPARE(s.viewer.Text7->geometry(), QRect(1, 171, 80, 25));
        QCOMPARE(s.viewer.Text8->x(), 79);   // 0.2 of the body's 5940 twips
        QCOMPARE(s.viewer.Text9->x(), 218);  // 0.55 of them
        QCOMPARE(s.viewer.rtfEd->geometry(), QRect(1, 195, 396, 150));
        QCOMPARE(s.viewer.Picture1->width(), 400);
        QCOMPARE(s.viewer.Picture2->width(), 400);
    }

    void buttonsExplainThemselvesAndTheHelpHidesElsewhere()
    {
        Setup s;
        s.load(HistoryKind::Sent, threeMails());
        const QList<std::pair<QPushButton*, QString>> helps = {
            {s.viewer.Command1, QStringLiteral("メールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して下さい。")},
            {s.viewer.Command3, QStringLiteral("メールアドレスをアドレス帳に登録します。リストからメールを選択（クリック）してから実行して下さい。")},
            {s.viewer.Command4, QStringLiteral("受信したメールに返事を出します。リストからメールを選択（クリック）してから実行して下さい。")},
            {s.viewer.Command5, QStringLiteral("受信したメール全件削除します。")}};
        for (const auto& [button, help] : helps) {
            moveOver(button);
            QVERIFY(s.viewer.Text4->isVisible());
            QCOMPARE(s.viewer.Text4->toPlainText(), help);
            moveOver(s.viewer.List1->viewport());
            QVERIFY(!s.viewer.Text4->isVisible());
            QVERIFY(s.viewer.Text4->toPlainText().isEmpty());
        }
        moveOver(s.viewer.Command5);
        moveOver(s.viewer.Text7);  // a box is not the background: the help stays
        QVERIFY(s.viewer.Text4->isVisible());
        moveOver(s.viewer.centralWidget(), {2, 30});  // between the strip and the buttons
        QVERIFY(!s.viewer.Text4->isVisible());
    }

    void pressingALineShowsItsMail()
    {
        Setup s;
        s.load(HistoryKind::Received, threeMails());
        s.state.CurrentRecord = 7;
        pressLine(s.viewer.List1, 0);
        QCOMPARE(s.viewer.Text7->text(), QStringLiteral("d1"));
        QCOMPARE(s.viewer.Text8->text(), QStringLiteral("a1"));
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s1"));
        QCOMPARE(s.viewer.rtfEd->toPlainText(), QStringLiteral("body 1"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("body 1"));
        QCOMPARE(s.state.ReceivedRecord.Subject.trimmed(), QStringLiteral("s1"));
        QCOMPARE(s.state.CurrentRecord, std::int16_t(7));
        QVERIFY(s.scripted.messages.shown.isEmpty());
    }

    // The boxes follow the selection however it moves, so the mail acted on is the one shown.
    void keyboardMovesShowTheMailTheyReach()
    {
        Setup s;
        s.load(HistoryKind::Received, threeMails());
        pressLine(s.viewer.List1, 0);
        const QList<std::pair<Qt::Key, QString>> moves = {
            {Qt::Key_Down, QStringLiteral("2")}, {Qt::Key_End, QStringLiteral("3")}, {Qt::Key_Up, QStringLiteral("2")},
            {Qt::Key_Home, QStringLiteral("1")}};
        for (const auto& [key, n] : moves) {
            QTest::keyClick(s.viewer.List1, key);
            QCOMPARE(s.viewer.Text9->text(), u's' + n);
            QCOMPARE(s.viewer.Text8->text(), u'a' + n);
            QCOMPARE(s.viewer.rtfEd->toPlainText(), QStringLiteral("body ") + n);
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("body ") + n);
            QCOMPARE(s.state.ReceivedRecord.Subject.trimmed(), u's' + n);
        }
        QVERIFY(s.scripted.messages.shown.isEmpty());
    }

    // Without a mouse: the keys start in the list and go on to the buttons that act on its mail.
    void keysStartInTheListThenReachItsButtons()
    {
        Setup s;
        s.load(HistoryKind::Received, threeMails());
        QVERIFY(QTest::qWaitForWindowActive(&s.viewer));
        QCOMPARE(QApplication::focusWidget(), s.viewer.List1);
        QTest::keyClick(s.viewer.List1, Qt::Key_Space);  // the first line has the focus mark
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s1"));
        QTest::keyClick(s.viewer.List1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.viewer.Command1);
    }

    void otherButtonsShowTheSelectedLineWithoutMovingIt()
    {
        Setup s;
        s.load(HistoryKind::Sent, threeMails());
        pressLine(s.viewer.List1, 1);
        pressLine(s.viewer.List1, 2, Qt::RightButton);
        QCOMPARE(s.viewer.List1->selectedLine(), std::optional<int>(1));
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s2"));
        pressLine(s.viewer.List1, 0, Qt::MiddleButton);
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s2"));
        QCOMPARE(s.state.SentRecord.Subject.trimmed(), QStringLiteral("s2"));
    }

    void pressWithoutSelectionWarnsAndChangesNothing()
    {
        Setup s;
        s.load(HistoryKind::Received, threeMails());
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        const QPoint belowLastLine = s.viewer.List1->visualItemRect(s.viewer.List1->item(2)).center() + QPoint(0, 40);
        QTest::mouseClick(s.viewer.List1->viewport(), Qt::LeftButton, {}, belowLastLine);
        QCOMPARE(s.scripted.messages.shown.size(), 1);
        const ShownMessage& message = s.scripted.messages.shown.first();
        QCOMPARE(message.text, QStringLiteral("データが選択されていません"));
        QCOMPARE(message.title, QString());  // an empty title, not the program's name
        QCOMPARE(message.buttons, MessageButtons::Ok);
        QCOMPARE(message.icon, MessageIcon::Warning);
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s3"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY(s.viewer.List1->hasFocus());
    }

    void emptyBodyLeavesEmptyTextOnTheClipboard()
    {
        Setup s;
        s.load(HistoryKind::Received, {{QStringLiteral("s"), QStringLiteral("d"), QStringLiteral("a"), QString()},
                                       {QStringLiteral("t"), QStringLiteral("e"), QStringLiteral("b"), QStringLiteral("x")}});
        pressLine(s.viewer.List1, 0);
        QVERIFY(s.viewer.rtfEd->toPlainText().isEmpty());
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    void linesAddedForRecordsReachTheirOwnRecords()
    {
        Setup s;
        s.load(HistoryKind::Sent, threeMails());
        writeHistory(s.folder.file(ReceivedFile), HistoryKind::Received, threeMails());
        // As the mail check does: its own lines for the records it has just written.
        s.viewer.clearHistoryList();
        s.viewer.addHistoryLine(QStringLiteral("♪ third"), HistoryKind::Received, 3);
        s.viewer.addHistoryLine(QStringLiteral("second"), HistoryKind::Received, 2);
        pressLine(s.viewer.List1, 0);
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s3"));
        QCOMPARE(s.viewer.Text7->text(), QStringLiteral("d3"));  // read with the received roles
        QCOMPARE(s.state.ReceivedRecord.Subject.trimmed(), QStringLiteral("s3"));
        pressLine(s.viewer.List1, 1);
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s2"));
        QCOMPARE(s.viewer.List1->target(0, HistoryKind::Sent).record, 3);

        LoadHistory(s.viewer, s.state, HistoryKind::Received);
        pressLine(s.viewer.List1, 0);
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s1"));
    }

    void lineWhoseRecordIsGoneSaysSo()
    {
        Setup s;
        s.load(HistoryKind::Received, threeMails());
        QVERIFY(QFile::resize(s.folder.file(ReceivedFile), store::HistoryRecordSize));
        pressLine(s.viewer.List1, 2);
        QCOMPARE(s.scripted.messages.shown.size(), 1);
        QVERIFY(s.scripted.messages.shown.first().text.contains(QStringLiteral("zeldata2.data")));
        QCOMPARE(s.viewer.Text9->text(), QStringLiteral("s3"));
    }

    void longValuesShowTheirStart()
    {
        Setup s;
        const QString date = QStringLiteral("Tue, 8 Dec 2026 09:00:00 +0900");
        const QString sender = QStringLiteral("長い名前の差出人さん <a.very.long.sender.address@example.co.jp>");
        const QString subject = QStringLiteral("件名がとても長いので箱の幅には収まりきらないメールの件名です、最後まで");
        s.load(HistoryKind::Received, {{subject, date, sender, QStringLiteral("body")}});
        pressLine(s.viewer.List1, 0);
        QCOMPARE(s.viewer.Text7->text(), date);
        for (QLineEdit* box : {s.viewer.Text7, s.viewer.Text8, s.viewer.Text9})
            QVERIFY2(showsItsStart(box), qPrintable(box->objectName()));
    }

    void homeClosesTheWindow()
    {
        Setup s;
        s.viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.viewer));
        s.viewer.Command2->click();
        QVERIFY(!s.viewer.isVisible());
    }

    void loadErrorPromptRetriesOnOkAndSkipsOnCancel()
    {
        TempProgramFolder folder;
        ProgramState state(folder.folder());
        state.CurrentFile = folder.file(QStringLiteral("無い.txt"));
        ScriptedSeams scripted;
        for (MessageAnswer answer : {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Cancel})
            scripted.messages.answers.enqueue(answer);
        TyakuForm viewer(state, scripted.seams());
        QCOMPARE(scripted.messages.shown.size(), 3);
        for (const ShownMessage& prompt : scripted.messages.shown) {
            QCOMPARE(prompt.title, QStringLiteral("rudiv  Form_LoadError"));
            QVERIFY(prompt.text.isEmpty());
            QCOMPARE(prompt.buttons, MessageButtons::OkCancel);
            QCOMPARE(prompt.icon, MessageIcon::Warning);
        }
        // Skipped: the window goes on loading.
        QVERIFY(viewer.rtfEd->toPlainText().isEmpty());
        QVERIFY(viewer.lstLst->isHidden());
        QVERIFY(!viewer.rtfEd->isHidden());
    }

    void retriedStepThatNowSucceedsLoadsTheFile()
    {
        TempProgramFolder folder;
        ProgramState state(folder.folder());
        state.CurrentFile = folder.file(QStringLiteral("新規作成.TXT"));
        state.EditorModified = true;
        ScriptedSeams scripted;
        FixingMessageBoxes fixing;
        fixing.path = state.CurrentFile;
        TyakuForm viewer(state, Seams{fixing, scripted.clock, scripted.random, scripted.beeper, scripted.browser});
        QCOMPARE(fixing.prompts, 1);
        QCOMPARE(viewer.rtfEd->toPlainText(), QStringLiteral("保存した文書"));
        QCOMPARE(state.EditorModified, false);
    }

    // Each line end of the text as the viewer gives it back is one CR LF, whatever wrote it.
    void shownTextEndsEveryLineInCrLf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF, lone LF, lone CR") << QStringLiteral("a\r\nb\nc\rd") << QStringLiteral("a\r\nb\r\nc\r\nd");
        QTest::newRow("CR then LF twice") << QStringLiteral("a\r\n\nb\r\r\n") << QStringLiteral("a\r\n\r\nb\r\n\r\n");
        QTest::newRow("document breaks") << QStringLiteral("a\u2029b\u2028c\ufdd0d\ufdd1")
                                         << QStringLiteral("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("CR before a paragraph end is two line ends") << QStringLiteral("a\r\u2029b")
                                                                    << QStringLiteral("a\r\n\r\nb");
        QTest::newRow("no-break space") << QStringLiteral("a\u00A0b") << QStringLiteral("a b");
    }
    void shownTextEndsEveryLineInCrLf()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(TyakuForm::shownText(text), shown);
    }
};

QTEST_MAIN(TyakuFormTest)
#include "tyaku_form_test.moc"
