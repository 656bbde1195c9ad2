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
class MessageBoxes;

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

// What the editor opens, measured with bench/editor/editor_open_bench: files of at most
// MaxDocumentBytes, whose lines hold at most MaxLineCharacters each. Laying out 1 MB of text
// takes about a second on a small machine, and every further megabyte adds as much to each jump
// through the text and to the delay of each key typed. A line is laid out as a whole, and one
// without a place to break (a run of letters, a block of base64) takes time growing with the
// square of its length: 16384 characters take 50 ms, 65536 over a second, and as long again
// for every key typed in it.
inline constexpr qint64 MaxDocumentBytes = 1024 * 1024;
inline constexpr qsizetype MaxLineCharacters = 16384;

// The folder part of a path: everything up to and including its last "\" (or "/"); a path
// without one comes back unchanged.
QString FolderPart(const QString& path);

class TextEditor : public QObject {
    Q_OBJECT
public:
    // With no dialogs given, the editor uses the platform's own, which start in openFolder.
    // Message boxes tell why a file is refused.
    TextEditor(const EditorControls& controls, EditorValues values, MessageBoxes& messages,
               EditorDialogs* dialogs = nullptr, const QString& openFolder = {});

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
    // Loads CurrentFile into rtfEd; false when the file cannot be read or is refused as
    // "開く" refuses it (no regular file, or more than the editor holds). Until a document is
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
    MessageBoxes& messages_;
    std::unique_ptr<EditorDialogs> ownDialogs_;
    EditorDialogs* dialogs_;
};

}  // namespace editor
