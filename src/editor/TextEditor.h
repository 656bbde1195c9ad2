#pragma once
// The text editor of the history viewer. It works on the window's text box rtfEd, its menu
// items and its top strip, where it puts the toolbar with the search box; the window creates it
// and it lives as long as the window. Its commands take no arguments and act on rtfEd, the
// search box, the clipboard, the printer and the editor's files.

#include "editor/EditorDialogs.h"
#include "editor/EditorState.h"

#include <QObject>

#include <cstdint>
#include <memory>

class QAction;
class QFont;
class QLabel;
class QLineEdit;
class QTextEdit;
class QToolBar;
class QWidget;

namespace editor {

// The window's controls the editor works on.
struct EditorControls {
    QWidget* window;  // its caption names the document; closing it stores the settings
    QWidget* strip;   // the top strip that receives the toolbar
    QTextEdit* rtfEd;
    QAction* mnew;
    QAction* mopen;
    QAction* msave;
    QAction* mprint;
    QAction* mend;
    QAction* mall;
    QAction* matamajump;
    QAction* mbunmatujump;
    QAction* mkensaku;
    QAction* mtugikensaku;
    QAction* mcut;
    QAction* mcopy;
    QAction* mpaste;
};

// The folder part of a path: everything up to and including its last "\" (or "/"); a path
// without one comes back unchanged.
QString FolderPart(const QString& path);

class TextEditor : public QObject {
    Q_OBJECT
public:
    // With no dialogs given, the editor uses the platform's own.
    TextEditor(const EditorControls& controls, EditorValues values, EditorDialogs* dialogs = nullptr);

    QToolBar* tbToolBar;
    QLineEdit* Text1;
    QLabel* searchLabel;

    // Runs the command of the toolbar button with the key ("New", "Open", … "Underline").
    void tbToolBar_ButtonClick(const QString& key);

    void SelectAll();
    void JumpToStart();
    void JumpToEnd();
    void Find();
    void FindNext();
    void Cut();
    void Copy();
    void Paste();
    void ToggleBold();
    void ToggleItalic();
    void ToggleUnderline();
    void Print();

    void NewDocument();
    void OpenDocument();
    void SaveDocumentAs();
    void SaveToCurrentFile();
    // Loads CurrentFile into rtfEd; false when the file cannot be read. Until a document is
    // named there is nothing to load, and that is no failure.
    bool LoadCurrentFile();
    void StoreEditorSettings();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectMenus(const EditorControls& controls);
    // Searches from the 1-based position start and selects the match.
    void findFrom(qsizetype start);
    void toggle(std::int16_t& counter, void (QFont::*attribute)(bool));
    QString printedSelection() const;

    QWidget* window_;
    QTextEdit* rtfEd_;
    EditorValues values_;
    std::unique_ptr<EditorDialogs> ownDialogs_;
    EditorDialogs* dialogs_;
};

}  // namespace editor
