#pragma once
// A history viewer with its editor, driven through its real toolbar and menus, with scripted
// message boxes and dialogs and a throw-away program folder.

#include "ScriptedEditorDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"
#include "app/ProgramState.h"
#include "editor/DocumentText.h"
#include "editor/EditorToolbar.h"
#include "editor/TextEditor.h"
#include "history/TyakuForm.h"

#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

struct EditorFixture {
    TempProgramFolder folder;
    ProgramState state{folder.folder()};
    ScriptedSeams scripted;
    ScriptedEditorDialogs dialogs;
    std::unique_ptr<TyakuForm> viewer;

    EditorFixture()
    {
        dialogs.printFolder = folder.path();
        open();
    }

    // Loads the window afresh, as the next use after a close does.
    void open()
    {
        viewer = std::make_unique<TyakuForm>(state, scripted.seams(), nullptr, &dialogs);
        viewer->show();
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
    }
    void reopen()
    {
        viewer->close();
        open();
    }

    editor::TextEditor& editor() { return *viewer->textEditor; }
    QTextEdit* box() { return viewer->rtfEd; }
    QString text() { return editor::storedText(box()); }
    void setText(const QString& stored) { editor::setStoredText(box(), stored); }

    // Clicks the toolbar button with the key.
    void press(const QString& key)
    {
        QAction* button = editor::toolbarButton(editor().tbToolBar, key);
        QVERIFY2(button, qPrintable(key));
        QTest::mouseClick(editor().tbToolBar->widgetForAction(button), Qt::LeftButton);
    }

    void select(int start, int length)
    {
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        box()->setTextCursor(cursor);
    }
    int selectionStart() { return box()->textCursor().selectionStart(); }
    int selectionLength()
    {
        const QTextCursor cursor = box()->textCursor();
        return cursor.selectionEnd() - cursor.selectionStart();
    }
};
