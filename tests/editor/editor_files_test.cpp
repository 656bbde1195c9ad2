#include "EditorFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QString NewName = QStringLiteral("新規作成.TXT");

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Answers the modal dialogs of the platform as they open, one answer each, in turn.
void answerDialogs(QList<std::function<void(QWidget*)>> answers)
{
    auto* timer = new QTimer(qApp);
    auto remaining = std::make_shared<QList<std::function<void(QWidget*)>>>(std::move(answers));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        const auto answer = remaining->takeFirst();
        if (remaining->isEmpty())
            timer->deleteLater();
        answer(dialog);
    });
    timer->start(10);
}

}  // namespace

class EditorFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir settingsDir_;
    QString startFolder_;

    static QSettings storedSettings()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tobelka"),
                         QStringLiteral("tobelka"));
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        startFolder_ = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(startFolder_); }

    void folderPart_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("backslashes") << QStringLiteral("C:\\a\\b.txt") << QStringLiteral("C:\\a\\");
        QTest::newRow("slashes") << QStringLiteral("/tmp/x/b.txt") << QStringLiteral("/tmp/x/");
        QTest::newRow("ends in folder") << QStringLiteral("a\\") << QStringLiteral("a\\");
        QTest::newRow("bare name") << QStringLiteral("b.txt") << QStringLiteral("b.txt");
        QTest::newRow("empty") << QString() << QString();
    }
    void folderPart()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(editor::FolderPart(path), folder);
    }

    void openReadsLinesAndEndsEachWithCrLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QByteArray>("savedBack");
        QTest::newRow("last line without end") << QByteArray("one\r\ntwo") << QStringLiteral("one\r\ntwo\r\n") << 3
                                               << QByteArray("one\r\ntwo\r\n\r\n");
        QTest::newRow("empty file") << QByteArray() << QString() << 1 << QByteArray("\r\n");
        // One line that keeps its LF breaks; written back, every break ends in CR LF.
        QTest::newRow("LF only") << QByteArray("a\nb\n") << QStringLiteral("a\r\nb\r\n\r\n") << 2
                                 << QByteArray("a\r\nb\r\n\r\n\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringLiteral("a\r\nb\r\n") << 3
                                 << QByteArray("a\r\nb\r\n\r\n");
        QTest::newRow("code page 932") << QByteArray("\x93\xfa\x96\x7b\x8c\xea\x81\x60\xba\xcb\xdf\xb0")
                                       << QStringLiteral("日本語～ｺﾋﾟｰ\r\n") << 2
                                       << QByteArray("\x93\xfa\x96\x7b\x8c\xea\x81\x60\xba\xcb\xdf\xb0\r\n\r\n");
    }
    void openReadsLinesAndEndsEachWithCrLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(int, lines);
        QFETCH(QByteArray, savedBack);
        EditorFixture f;
        f.folder.write(QStringLiteral("in.txt"), file);
        f.setText(QStringLiteral("replaced"));
        f.state.EditorModified = false;
        f.dialogs.openAnswers.enqueue(f.folder.file(QStringLiteral("in.txt")));
        f.press(QStringLiteral("Open"));
        QCOMPARE(f.text(), text);
        QCOMPARE(f.box()->document()->blockCount(), lines);
        QCOMPARE(f.viewer->windowTitle(), f.folder.file(QStringLiteral("in.txt")));
        QVERIFY(f.state.EditorModified);
        QVERIFY(f.state.CurrentFile.isEmpty());
        // Saving writes the text back with one more CR LF.
        f.dialogs.saveAnswers.enqueue(f.folder.file(QStringLiteral("out.txt")));
        f.viewer->msave->trigger();
        QCOMPARE(f.folder.read(QStringLiteral("out.txt")), savedBack);
    }

    void openThatEndsEarlyChangesOnlyWhatItReached()
    {
        EditorFixture f;
        f.setText(QStringLiteral("kept"));
        f.viewer->setWindowTitle(QStringLiteral("caption"));
        f.viewer->mopen->trigger();  // cancelled
        QCOMPARE(f.viewer->windowTitle(), QStringLiteral("caption"));
        f.dialogs.openAnswers.enqueue(QString());
        f.viewer->mopen->trigger();
        QCOMPARE(f.viewer->windowTitle(), QStringLiteral("notitle"));
        const QString missing = f.folder.file(QStringLiteral("missing.txt"));
        f.dialogs.openAnswers.enqueue(missing);
        f.viewer->mopen->trigger();
        QCOMPARE(f.viewer->windowTitle(), missing);
        QCOMPARE(f.text(), QStringLiteral("kept"));
        QVERIFY(f.scripted.messages.shown.isEmpty());
    }

    void saveAsWritesTheTextAndOneCrLf()
    {
        EditorFixture f;
        QTest::keyClicks(f.box(), QStringLiteral("ab"));
        const QString chosen = f.folder.file(QStringLiteral("ab.txt"));
        f.folder.write(QStringLiteral("ab.txt"), QByteArray("an older and longer content"));
        f.dialogs.saveAnswers.enqueue(chosen);
        f.press(QStringLiteral("Save"));
        QCOMPARE(f.folder.read(QStringLiteral("ab.txt")), QByteArray("ab\r\n"));
        QCOMPARE(f.viewer->windowTitle(), chosen);
        QVERIFY(f.state.EditorModified);
        QVERIFY(f.state.CurrentFile.isEmpty());
    }

    void saveAsThatFailsKeepsOnlyTheCaption()
    {
        EditorFixture f;
        f.setText(QStringLiteral("text"));
        f.viewer->setWindowTitle(QStringLiteral("caption"));
        f.press(QStringLiteral("Save"));  // cancelled
        QCOMPARE(f.viewer->windowTitle(), QStringLiteral("caption"));
        const QString nowhere = f.folder.file(QStringLiteral("no such folder/x.txt"));
        f.dialogs.saveAnswers.enqueue(nowhere);
        f.press(QStringLiteral("Save"));
        QCOMPARE(f.viewer->windowTitle(), nowhere);
        QVERIFY(!QFile::exists(nowhere));
        QVERIFY(f.scripted.messages.shown.isEmpty());
    }

    void newDocumentTakesEffectOncePerRun_data()
    {
        QTest::addColumn<bool>("changedFirst");
        QTest::newRow("unchanged text") << false;
        QTest::newRow("changed text is lost") << true;
    }
    void newDocumentTakesEffectOncePerRun()
    {
        QFETCH(bool, changedFirst);
        EditorFixture f;
        QVERIFY(QDir::setCurrent(f.folder.path()));
        if (changedFirst)
            QTest::keyClicks(f.box(), QStringLiteral("typed"));
        f.press(QStringLiteral("New"));
        QCOMPARE(f.text(), QString());
        QCOMPARE(f.state.CurrentFile, NewName);
        QCOMPARE(bytesOf(f.folder.file(NewName)), QByteArray());
        QCOMPARE(f.viewer->windowTitle(), QStringLiteral("新規作成.TXT      新規作成.TXT"));
        QVERIFY(!f.state.EditorModified);
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files), QStringList{NewName});

        // The second time in the run nothing happens at all.
        QTest::keyClicks(f.box(), QStringLiteral("more"));
        f.viewer->setWindowTitle(QStringLiteral("caption"));
        f.viewer->mnew->trigger();
        QCOMPARE(f.text(), QStringLiteral("more"));
        QCOMPARE(f.viewer->windowTitle(), QStringLiteral("caption"));
        QVERIFY(f.state.EditorModified);
        QCOMPARE(bytesOf(f.folder.file(NewName)), QByteArray());
    }

    void windowLoadsTheCurrentFile()
    {
        EditorFixture f;
        QVERIFY(QDir::setCurrent(f.folder.path()));
        f.press(QStringLiteral("New"));
        f.folder.write(NewName, QByteArray("\x93\xfa\x96\x7b\r\nline 2"));
        // Save as names another file; the next load still takes the current file.
        f.dialogs.saveAnswers.enqueue(f.folder.file(QStringLiteral("other.txt")));
        f.press(QStringLiteral("Save"));
        f.reopen();
        QCOMPARE(f.text(), QStringLiteral("日本\r\nline 2"));
        QVERIFY(!f.state.EditorModified);
        QVERIFY(f.scripted.messages.shown.isEmpty());
    }

    void currentFileRoundTripsInCodePage932()
    {
        EditorFixture f;
        f.state.CurrentFile = f.folder.file(QStringLiteral("doc.txt"));
        f.setText(QStringLiteral("髙橋①\r\nｶﾅ"));
        QVERIFY(f.state.EditorModified);
        f.editor().SaveToCurrentFile();
        QVERIFY(!f.state.EditorModified);
        QCOMPARE(f.folder.read(QStringLiteral("doc.txt")), QByteArray("\xfb\xfc\x8b\xb4\x87\x40\r\n\xb6\xc5"));
        f.reopen();
        QCOMPARE(f.text(), QStringLiteral("髙橋①\r\nｶﾅ"));
    }

    void emptyCurrentFileLoadsNothingWithoutAPrompt()
    {
        EditorFixture f;
        QVERIFY(f.state.CurrentFile.isEmpty());
        QCOMPARE(f.text(), QString());
        QVERIFY(f.scripted.messages.shown.isEmpty());
        QVERIFY(f.editor().LoadCurrentFile());
        f.state.CurrentFile = f.folder.file(QStringLiteral("gone.txt"));
        QVERIFY(!f.editor().LoadCurrentFile());
    }

    void platformFileDialogsShareTitleFilterAndLastName()
    {
        QTemporaryDir dir;
        const QString chosen = dir.filePath(QStringLiteral("chosen.txt"));
        QStringList seen;
        const auto look = [&seen](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            QVERIFY(dialog);
            seen << dialog->windowTitle() << dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText()
                 << QString::number(dialog->acceptMode()) << dialog->selectedFiles().value(0);
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        };
        const auto choose = [](QWidget* widget, const QString& path) {
            // As typed by the user into the file name box.
            widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(widget)->accept();
        };
        answerDialogs({[&](QWidget* d) {  // a folder that does not exist is asked again
                           look(d);
                           choose(d, dir.filePath(QStringLiteral("none/x.txt")));
                       },
                       [&](QWidget* d) { choose(d, chosen); },
                       [&](QWidget* d) {
                           look(d);
                           static_cast<QFileDialog*>(d)->reject();
                       }});
        editor::QtEditorDialogs dialogs;
        QCOMPARE(dialogs.openFile(nullptr), std::optional<QString>(chosen));
        QCOMPARE(dialogs.saveFile(nullptr), std::optional<QString>());
        const QString filter = QStringLiteral("txtファイル(*.txt,*.ini)");
        QCOMPARE(seen, (QStringList{QStringLiteral("ファイルを開く"), filter, QString::number(QFileDialog::AcceptOpen),
                                    seen.value(3), QStringLiteral("ファイルを開く"), filter,
                                    QString::number(QFileDialog::AcceptSave), chosen}));
    }

    // Before any file was chosen, the window's open dialog shows the program folder, not
    // wherever the program happened to be started from.
    void platformOpenDialogStartsInTheProgramFolder()
    {
        TempProgramFolder folder;
        ProgramState state(folder.folder());
        ScriptedSeams scripted;
        TyakuForm viewer(state, scripted.seams());
        QString shown;
        answerDialogs({[&shown](QWidget* widget) {
            shown = qobject_cast<QFileDialog*>(widget)->directory().absolutePath();
            static_cast<QDialog*>(widget)->reject();
        }});
        viewer.mopen->trigger();
        QCOMPARE(shown, QDir(folder.path()).absolutePath());
    }

    void platformPrintDialogOffersTheSelectionOnlyWithOne()
    {
        QList<bool> offered;
        const auto cancel = [&offered](QWidget* widget) {
            auto* dialog = qobject_cast<QPrintDialog*>(widget);
            QVERIFY(dialog);
            offered << dialog->testOption(QAbstractPrintDialog::PrintSelection)
                    << (dialog->printRange() == QAbstractPrintDialog::Selection);
            dialog->reject();
        };
        answerDialogs({cancel, cancel});
        editor::QtEditorDialogs dialogs;
        QPrinter printer;
        QVERIFY(!dialogs.choosePrinter(printer, true, nullptr));
        QVERIFY(!dialogs.choosePrinter(printer, false, nullptr));
        QCOMPARE(offered, (QList<bool>{true, true, false, false}));
    }

    void closingStoresTheEditorSettings_data()
    {
        QTest::addColumn<int>("closer");
        QTest::newRow("menu 終了") << 0;
        QTest::newRow("ホーム") << 1;
        QTest::newRow("close box") << 2;
    }
    void closingStoresTheEditorSettings()
    {
        QFETCH(int, closer);
        {
            QSettings seeded = storedSettings();
            seeded.clear();
            seeded.setValue(QStringLiteral("HIST/3"), QStringLiteral("old"));
            seeded.setValue(QStringLiteral("OKINI/0"), QStringLiteral("old"));
            seeded.setValue(QStringLiteral("FLAG/AUTOSAVE"), QStringLiteral("1"));
        }
        EditorFixture f;
        if (closer == 0)
            f.viewer->mend->trigger();
        else if (closer == 1)
            f.viewer->Command2->click();
        else
            f.viewer->close();
        const QSettings stored = storedSettings();
        QCOMPARE(stored.childGroups(), QStringList{QStringLiteral("FLAG")});
        QVERIFY(stored.contains(QStringLiteral("FLAG/AUTOSAVE")));
        QCOMPARE(stored.value(QStringLiteral("FLAG/AUTOSAVE")).toString(), QString());
        QCOMPARE(bytesOf(settingsDir_.filePath(QStringLiteral("tobelka/tobelka.conf"))),
                 QByteArray("[FLAG]\nAUTOSAVE=\n"));
    }
};

QTEST_MAIN(EditorFilesTest)
#include "editor_files_test.moc"
