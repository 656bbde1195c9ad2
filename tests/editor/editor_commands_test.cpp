#include "EditorFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

class EditorCommandsTest : public QObject {
    Q_OBJECT

private:
    // Every close writes the per-user settings; they go to a throw-away folder.
    QTemporaryDir settingsDir_;

    static void search(EditorFixture& f, const QString& text, const QString& wanted)
    {
        f.setText(text);
        f.editor().Text1->setText(wanted);
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path()); }

    void findsMatchesInTurnAndWrapsAfterTheLast()
    {
        EditorFixture f;
        search(f, QStringLiteral("abcabc"), QStringLiteral("bc"));
        f.viewer->mkensaku->trigger();
        QCOMPARE(f.selectionStart(), 1);
        QCOMPARE(f.selectionLength(), 2);
        QCOMPARE(f.state.editorState.FindPos, 2);
        QCOMPARE(QApplication::focusWidget(), f.box());
        f.viewer->mtugikensaku->trigger();
        QCOMPARE(f.selectionStart(), 4);
        // Past the last match: nothing found, nothing shown, the selection stays.
        f.viewer->mtugikensaku->trigger();
        QCOMPARE(f.state.editorState.FindPos, 0);
        QCOMPARE(f.selectionStart(), 4);
        QCOMPARE(f.selectionLength(), 2);
        QVERIFY(f.scripted.messages.shown.isEmpty());
        // The press after that searches from position 2, near the start.
        f.viewer->mtugikensaku->trigger();
        QCOMPARE(f.selectionStart(), 1);
        QCOMPARE(f.state.editorState.FindPos, 2);
    }

    void matchesNeverOverlap()
    {
        EditorFixture f;
        search(f, QStringLiteral("aaaa"), QStringLiteral("aa"));
        f.editor().Find();
        QCOMPARE(f.selectionStart(), 0);
        f.editor().FindNext();
        QCOMPARE(f.selectionStart(), 2);
        QCOMPARE(f.selectionLength(), 2);
    }

    void comparesExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("wanted");
        QTest::newRow("letter case") << QStringLiteral("abc") << QStringLiteral("ABC");
        QTest::newRow("full width") << QStringLiteral("abc") << QStringLiteral("ａｂｃ");
        QTest::newRow("half-width kana") << QStringLiteral("コピー") << QStringLiteral("ｺﾋﾟｰ");
        QTest::newRow("empty search") << QStringLiteral("abc") << QString();
    }
    void comparesExactly()
    {
        QFETCH(QString, text);
        QFETCH(QString, wanted);
        EditorFixture f;
        search(f, text, wanted);
        f.state.editorState.FindPos = 3;
        f.select(1, 1);
        f.editor().Find();
        QCOMPARE(f.state.editorState.FindPos, 0);
        QCOMPARE(f.selectionStart(), 1);
        QCOMPARE(f.selectionLength(), 1);
        // Find next with the search start at 0 finds nothing either.
        f.editor().FindNext();
        QCOMPARE(f.state.editorState.FindPos, 0);
    }

    void findNextBeforeAnyFindSkipsAMatchAtTheStart()
    {
        EditorFixture f;
        search(f, QStringLiteral("abab"), QStringLiteral("ab"));
        f.editor().FindNext();
        QCOMPARE(f.selectionStart(), 2);
        QCOMPARE(f.state.editorState.FindPos, 3);
    }

    void findsAndSelectsFarIntoALongText()
    {
        EditorFixture f;
        search(f, QString(40000, QLatin1Char('x')) + QStringLiteral("needle") + QString(30000, QLatin1Char('y')),
               QStringLiteral("needle"));
        f.editor().Find();
        QCOMPARE(f.state.editorState.FindPos, 40001);
        QCOMPARE(f.box()->textCursor().selectedText(), QStringLiteral("needle"));
        QCOMPARE(f.selectionStart(), 40000);
        f.editor().FindNext();
        QCOMPARE(f.state.editorState.FindPos, 0);
    }

    void findPositionOutlivesTheWindow()
    {
        EditorFixture f;
        search(f, QStringLiteral("abab"), QStringLiteral("ab"));
        f.editor().Find();
        f.reopen();
        search(f, QStringLiteral("abab"), QStringLiteral("ab"));
        f.editor().FindNext();
        QCOMPARE(f.selectionStart(), 2);
    }

    void selectAllAndJumps()
    {
        EditorFixture f;
        f.setText(QStringLiteral("first\r\nsecond"));
        f.editor().Text1->setFocus();
        f.viewer->mall->trigger();
        QCOMPARE(f.selectionStart(), 0);
        QCOMPARE(f.selectionLength(), 12);
        QCOMPARE(QApplication::focusWidget(), f.editor().Text1);  // the focus stays
        f.viewer->mbunmatujump->trigger();
        QCOMPARE(f.box()->textCursor().position(), 12);
        QVERIFY(!f.box()->textCursor().hasSelection());
        QCOMPARE(QApplication::focusWidget(), f.box());
        f.editor().Text1->setFocus();
        f.viewer->matamajump->trigger();
        QCOMPARE(f.box()->textCursor().position(), 0);
        QVERIFY(!f.box()->textCursor().hasSelection());
        QCOMPARE(QApplication::focusWidget(), f.box());
    }

    void copyPutsTheSelectionOnTheClipboardAndLeavesTheCaretAfterIt()
    {
        EditorFixture f;
        f.setText(QStringLiteral("one two\r\nthree"));
        f.select(4, 7);
        f.press(QStringLiteral("Copy"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two\nthr"));
        QCOMPARE(f.box()->textCursor().position(), 11);
        QVERIFY(!f.box()->textCursor().hasSelection());
        QCOMPARE(f.text(), QStringLiteral("one two\r\nthree"));
    }

    void copyWithoutSelectionLeavesClipboardAndCaretAlone()
    {
        EditorFixture f;
        f.setText(QStringLiteral("one two"));
        f.select(5, 0);
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        f.viewer->mcopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
        QCOMPARE(f.box()->textCursor().position(), 5);
    }

    void cutMovesTheSelectionToTheClipboard()
    {
        EditorFixture f;
        f.setText(QStringLiteral("one two three"));
        f.select(4, 4);
        f.press(QStringLiteral("Cut"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two "));
        QCOMPARE(f.text(), QStringLiteral("one three"));
        QCOMPARE(f.box()->textCursor().position(), 4);
        QCOMPARE(QApplication::focusWidget(), f.box());
        // Without a selection the clipboard ends up empty and the text stays.
        f.viewer->mcut->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString());
        QCOMPARE(f.text(), QStringLiteral("one three"));
    }

    void pasteInsertsTheClipboardTextWithoutOuterSpaces()
    {
        EditorFixture f;
        f.setText(QStringLiteral("ab"));
        f.select(1, 0);
        QApplication::clipboard()->setText(QStringLiteral("  word  "));
        f.press(QStringLiteral("Paste"));
        QCOMPARE(f.text(), QStringLiteral("awordb"));
        QCOMPARE(f.box()->textCursor().position(), 5);
        // A selection is replaced; line ends of the clipboard become lines.
        f.select(0, 1);
        QApplication::clipboard()->setText(QStringLiteral(" x\r\ny\tz "));
        f.viewer->mpaste->trigger();
        QCOMPARE(f.text(), QStringLiteral("x\r\ny\tzwordb"));
    }

    void fontButtonsAlternateAcrossACloseAndReopen_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("bold") << QStringLiteral("Bold");
        QTest::newRow("italic") << QStringLiteral("Italic");
        QTest::newRow("underline") << QStringLiteral("Underline");
    }
    void fontButtonsAlternateAcrossACloseAndReopen()
    {
        QFETCH(QString, key);
        EditorFixture f;
        const auto attribute = [&f, &key] {
            const QFont font = f.box()->font();
            return key == u"Bold" ? font.bold() : key == u"Italic" ? font.italic() : font.underline();
        };
        f.setText(QStringLiteral("text"));
        f.state.EditorModified = false;
        f.press(key);
        QVERIFY(attribute());
        QCOMPARE(f.box()->document()->defaultFont(), f.box()->font());  // the whole text
        f.press(key);
        QVERIFY(!attribute());
        f.press(key);
        QVERIFY(attribute());
        QVERIFY(!f.state.EditorModified);  // the font is no change of the text
        // A new window starts with the plain font, but the counter runs on: the next press
        // switches off what is already off, the one after switches on.
        f.reopen();
        QVERIFY(!attribute());
        f.press(key);
        QVERIFY(!attribute());
        f.press(key);
        QVERIFY(attribute());
    }

    void everyChangeOfTheTextMarksTheDocument()
    {
        EditorFixture f;
        QVERIFY(!f.state.EditorModified);  // the load clears it
        QTest::keyClicks(f.box(), QStringLiteral("typed"));
        QVERIFY(f.state.EditorModified);
        f.state.EditorModified = false;
        f.viewer->setBodyText(QStringLiteral("a mail"));  // the history side showing a mail
        QVERIFY(f.state.EditorModified);
        f.state.EditorModified = false;
        f.viewer->mall->trigger();
        f.editor().Find();
        QVERIFY(!f.state.EditorModified);  // selecting and searching change nothing
        f.editor().Cut();
        QVERIFY(f.state.EditorModified);
    }

    void toolbarButtonsInOrderWithTooltipsAndSeparators()
    {
        EditorFixture f;
        QStringList seen;
        for (QAction* action : f.editor().tbToolBar->actions()) {
            if (action->isSeparator()) {
                seen << QStringLiteral("|");
                continue;
            }
            if (!action->data().isValid())
                continue;
            seen << action->data().toString() + QLatin1Char(':') + action->toolTip();
            QVERIFY(!action->icon().isNull());
        }
        QCOMPARE(seen, (QStringList{"New:新規作成", "Open:開く", "Save:名前を付けて保存", "|", "Print:印刷", "|",
                                    "Cut:切り取り", "Copy:ｺﾋﾟｰ", "Paste:貼り付け", "|", "Bold:太字", "Italic:斜体",
                                    "Underline:下線"}));
        QCOMPARE(f.editor().searchLabel->text(), QStringLiteral("検索文字"));
        QVERIFY(f.editor().searchLabel->geometry().right() < f.editor().Text1->geometry().left());
        QCOMPARE(f.editor().Text1->geometry(), QRect(472, 0, 129, 25));
        QCOMPARE(f.editor().Text1->font().pointSizeF(), 12.0);
        // The home button sits on the toolbar, in front of it.
        QVERIFY(f.viewer->Picture1->childAt(f.viewer->Command2->geometry().center()) == f.viewer->Command2);
    }

    void everyButtonWorksOnAShownMail()
    {
        EditorFixture f;
        store::HistoryRecord mail;
        mail.Subject = QStringLiteral("件名");
        mail.Body = QStringLiteral("  Dear Sir\r\nThe quick brown fox  ");
        f.viewer->showRecord(mail, store::HistoryKind::Received);
        f.editor().Text1->setText(QStringLiteral("quick"));
        f.viewer->mkensaku->trigger();
        f.press(QStringLiteral("Copy"));
        f.press(QStringLiteral("Paste"));
        QCOMPARE(f.text(), QStringLiteral("Dear Sir\r\nThe quickquick brown fox"));
        f.viewer->mtugikensaku->trigger();
        f.press(QStringLiteral("Cut"));
        QCOMPARE(f.text(), QStringLiteral("Dear Sir\r\nThe quick brown fox"));
        f.press(QStringLiteral("Bold"));
        f.press(QStringLiteral("Italic"));
        f.press(QStringLiteral("Underline"));
        QVERIFY(f.box()->font().bold() && f.box()->font().italic() && f.box()->font().underline());
        f.press(QStringLiteral("Print"));
        QVERIFY(QFile::exists(f.dialogs.jobFile(1)));
        f.dialogs.saveAnswers.enqueue(f.folder.file(QStringLiteral("mail.txt")));
        f.press(QStringLiteral("Save"));
        QCOMPARE(f.folder.read(QStringLiteral("mail.txt")), QByteArray("Dear Sir\r\nThe quick brown fox\r\n"));
        f.viewer->setBodyText(QString());
        f.dialogs.openAnswers.enqueue(f.folder.file(QStringLiteral("mail.txt")));
        f.press(QStringLiteral("Open"));
        QCOMPARE(f.text(), QStringLiteral("Dear Sir\r\nThe quick brown fox\r\n"));
        const QString startFolder = QDir::currentPath();
        QDir::setCurrent(f.folder.path());
        f.press(QStringLiteral("New"));
        QDir::setCurrent(startFolder);
        QCOMPARE(f.text(), QString());
        QVERIFY(QFile::exists(f.folder.file(QStringLiteral("新規作成.TXT"))));
    }

    void closeMenuItemUnloadsTheWindowWithoutSaving()
    {
        EditorFixture f;
        f.setText(QStringLiteral("changed"));
        f.viewer->mend->trigger();
        QVERIFY(!f.viewer->isVisible());
        QVERIFY(f.scripted.messages.shown.isEmpty());
        QVERIFY(QDir(f.folder.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(EditorCommandsTest)
#include "editor_commands_test.moc"
