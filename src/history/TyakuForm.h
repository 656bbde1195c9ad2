#pragma once
// The history viewer: lists the received or the sent history, shows one mail in three one-line
// boxes and the text box rtfEd, and carries the buttons that delete entries, register the sender
// and reply. The same window is the editor of rtfEd (menus and toolbar strip). The mail check
// also uses its boxes, with the window loaded but hidden, to stage each mail before storing it.

#include "app/ProgramState.h"
#include "history/HistoryHandOver.h"
#include "history/HistoryList.h"
#include "history/MailTextBox.h"
#include "platform/Seams.h"
#include "store/HistoryRecord.h"

#include <QHash>
#include <QMainWindow>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace editor {
class EditorDialogs;
class TextEditor;
}  // namespace editor

class TyakuForm : public QMainWindow {
    Q_OBJECT
public:
    // Creating the window is its load: placement, then the editor's start-up. The editor's file
    // and print dialogs are the platform's own unless others are given.
    TyakuForm(ProgramState& state, Seams seams, QWidget* parent = nullptr,
              editor::EditorDialogs* editorDialogs = nullptr);

    // The list in its load colour and the colour both history openers give it.
    static const QColor ListColour;
    static const QColor HistoryListColour;

    // The body of rtfEd in the stored form: lines end with CR LF, as in the history files and in
    // the mail library's texts. The text box itself keeps one paragraph per line.
    QString bodyText() const;
    void setBodyText(const QString& text);
    // What bodyText() gives back after setBodyText(text), without a text box: every line end
    // becomes CR LF, and the few characters the text box shows as others are those others.
    static QString shownText(const QString& text);

    // Empties List1 and adds lines for the mail check: each line stands for the given record of
    // the given history, whatever its position (see HistoryList).
    void clearHistoryList();
    void addHistoryLine(const QString& text, store::HistoryKind kind, int record);

    // Text7, Text8, Text9 and rtfEd show the record, each field trimmed and taken by its role
    // (with what a kept raw mail gives back, see ShownMail.h); the body then passes through the
    // clipboard, which keeps it as plain text. The lines naming files of the attachment folder
    // become links that open them.
    void showRecord(const store::HistoryRecord& record, store::HistoryKind kind);

    // The program's attachment folder, whose files the text's links open.
    QString attachmentFolder() const;

    // Writes the main window's help box: after deleting a sent entry the remaining count goes
    // there. Set by the owner of the main window; while unset the count is shown only in Text2.
    std::function<void(const QString&)> setMainHelpText;
    // Where "アドレス帳登録" and "返事を出す" hand the shown mail on; set by the owner of the
    // address book and reply windows.
    history::HandOverHooks handOver;

    void List1_MouseDown();
    void Form_Resize();

    // History side
    QWidget* Picture1;       // top strip that carries the editor's toolbar
    // A press on the list shows the selected mail; so does every move of the selection, by the
    // keyboard too, so that the mail the buttons act on is always the one on screen.
    QPushButton* Command2;   // ホーム
    QPushButton* Command1;   // １件削除
    QPushButton* Command3;   // アドレス帳登録
    QPushButton* Command4;   // 返事を出す
    QPushButton* Command5;   // 全件削除
    QLabel* Label4;          // 件数
    QLineEdit* Text2;        // number of list lines
    QWidget* Picture2;       // heading strip
    QLabel* Label1;          // Date/ From/ Subject
    history::HistoryList* List1;
    QLineEdit* Text7;        // date
    QLineEdit* Text8;        // address
    QLineEdit* Text9;        // subject
    history::MailTextBox* rtfEd;  // body, and the editor's document
    QPlainTextEdit* Text4;   // help box
    // Editor side: controls only; their commands belong to the editor.
    QListWidget* lstLst;
    QMenu* mFile;
    QAction* mnew;
    QAction* mopen;
    QAction* msave;
    QAction* mprint;
    QAction* mattachments;  // opens the attachment folder
    QAction* mend;
    QMenu* medit;
    QAction* mall;
    QAction* matamajump;
    QAction* mbunmatujump;
    QAction* mkensaku;
    QAction* mtugikensaku;
    QAction* mcut;
    QAction* mcopy;
    QAction* mpaste;
    editor::TextEditor* textEditor;  // the commands of the menus and the toolbar

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildStrips(QWidget* client);
    void buildButtons(QWidget* client);
    void buildMailBoxes(QWidget* client);
    void buildMenus();
    void Form_Load();
    void setKeyboardOrder();
    // Runs a start-up step; while it fails the user may retry it (OK) or skip it (Cancel).
    void retryOrSkip(const std::function<bool()>& step);
    void showHelp(const QString& text);

    ProgramState& state_;
    Seams seams_;
    // Reads and shows the mail of a list line; false when it cannot be read (the user is told).
    bool showLine(int line);
    QWidget* client_;
    QHash<QObject*, QString> helpTexts_;
};
