#include "editor/TextEditor.h"

#include "editor/DocumentText.h"
#include "editor/EditorToolbar.h"
#include "platform/TextFields.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>

namespace editor {

TextEditor::TextEditor(const EditorControls& controls, EditorValues values, MessageBoxes& messages,
                       EditorDialogs* dialogs, const QString& openFolder)
    : QObject(controls.window)
    , window_(controls.window)
    , rtfEd_(controls.rtfEd)
    , values_(values)
    , messages_(messages)
{
    if (!dialogs) {
        ownDialogs_ = std::make_unique<QtEditorDialogs>(openFolder);
        dialogs = ownDialogs_.get();
    }
    dialogs_ = dialogs;

    const Toolbar toolbar = buildToolbar(controls.strip);
    tbToolBar = toolbar.tbToolBar;
    Text1 = toolbar.Text1;
    searchLabel = toolbar.searchLabel;
    connect(tbToolBar, &QToolBar::actionTriggered, this,
            [this](QAction* button) { tbToolBar_ButtonClick(button->data().toString()); });
    connectMenus(controls);

    // Typed or set by the program, every change of the text marks the document changed.
    connect(rtfEd_, &QTextEdit::textChanged, this, [this] { values_.EditorModified = true; });
    // Whatever closes the window, the per-user settings are written first.
    window_->installEventFilter(this);
}

void TextEditor::connectMenus(const EditorControls& c)
{
    connect(c.mnew, &QAction::triggered, this, &TextEditor::NewDocument);
    connect(c.mopen, &QAction::triggered, this, &TextEditor::OpenDocument);
    connect(c.msave, &QAction::triggered, this, &TextEditor::SaveDocumentAs);
    // The menu's 印刷 prints as the toolbar's Print does.
    connect(c.mprint, &QAction::triggered, this, &TextEditor::Print);
    connect(c.mend, &QAction::triggered, window_, &QWidget::close);
    connect(c.mall, &QAction::triggered, this, &TextEditor::SelectAll);
    connect(c.matamajump, &QAction::triggered, this, &TextEditor::JumpToStart);
    connect(c.mbunmatujump, &QAction::triggered, this, &TextEditor::JumpToEnd);
    connect(c.mkensaku, &QAction::triggered, this, &TextEditor::Find);
    connect(c.mtugikensaku, &QAction::triggered, this, &TextEditor::FindNext);
    connect(c.mcut, &QAction::triggered, this, &TextEditor::Cut);
    connect(c.mcopy, &QAction::triggered, this, &TextEditor::Copy);
    connect(c.mpaste, &QAction::triggered, this, &TextEditor::Paste);
}

void TextEditor::tbToolBar_ButtonClick(const QString& key)
{
    static const QHash<QString, void (TextEditor::*)()> commands = {
        {QStringLiteral("New"), &TextEditor::NewDocument},
        {QStringLiteral("Open"), &TextEditor::OpenDocument},
        {QStringLiteral("Save"), &TextEditor::SaveDocumentAs},
        {QStringLiteral("Print"), &TextEditor::Print},
        {QStringLiteral("Cut"), &TextEditor::Cut},
        {QStringLiteral("Copy"), &TextEditor::Copy},
        {QStringLiteral("Paste"), &TextEditor::Paste},
        {QStringLiteral("Bold"), &TextEditor::ToggleBold},
        {QStringLiteral("Italic"), &TextEditor::ToggleItalic},
        {QStringLiteral("Underline"), &TextEditor::ToggleUnderline},
    };
    if (const auto command = commands.value(key))
        (this->*command)();
}

bool TextEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Close)
        StoreEditorSettings();
    return QObject::eventFilter(watched, event);
}

void TextEditor::SelectAll()
{
    QTextCursor cursor = rtfEd_->textCursor();
    cursor.select(QTextCursor::Document);
    rtfEd_->setTextCursor(cursor);
}

void TextEditor::JumpToStart()
{
    rtfEd_->moveCursor(QTextCursor::Start);
    rtfEd_->setFocus();
}

void TextEditor::JumpToEnd()
{
    rtfEd_->moveCursor(QTextCursor::End);
    rtfEd_->setFocus();
}

void TextEditor::Find() { findFrom(1); }

void TextEditor::FindNext() { findFrom(values_.editor.FindPos + Text1->text().size()); }

void TextEditor::findFrom(qsizetype start)
{
    // Exact comparison: letter case and character width both count. An empty search text
    // finds nothing, wherever the search would start.
    const QString wanted = Text1->text();
    const QString text = searchedText(rtfEd_);
    const qsizetype found = wanted.isEmpty() || start > text.size()
        ? -1
        : text.indexOf(wanted, qMax<qsizetype>(start, 1) - 1, Qt::CaseSensitive);
    values_.editor.FindPos = found + 1;
    if (found < 0)
        return;
    rtfEd_->setFocus();
    QTextCursor cursor = rtfEd_->textCursor();
    cursor.setPosition(found);
    cursor.setPosition(found + wanted.size(), QTextCursor::KeepAnchor);
    rtfEd_->setTextCursor(cursor);
}

void TextEditor::Cut()
{
    QTextCursor cursor = rtfEd_->textCursor();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(plainSelection(cursor));
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
        rtfEd_->setTextCursor(cursor);
    }
    rtfEd_->setFocus();
}

void TextEditor::Copy()
{
    // Without a selection there is nothing to copy: the clipboard and the caret stay as they are.
    QTextCursor cursor = rtfEd_->textCursor();
    if (cursor.hasSelection()) {
        const int end = cursor.selectionEnd();
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(plainSelection(cursor));
        cursor.setPosition(end);
        rtfEd_->setTextCursor(cursor);
    }
    rtfEd_->setFocus();
}

void TextEditor::Paste()
{
    // The document holds plain text only, so no character attribute is left to reset after
    // the insertion.
    rtfEd_->setFocus();
    QString text = textfields::trimSpaces(QApplication::clipboard()->text());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor cursor = rtfEd_->textCursor();
    cursor.insertText(text);
    rtfEd_->setTextCursor(cursor);
}

void TextEditor::ToggleBold() { toggle(values_.editor.BoldToggle, &QFont::setBold); }

void TextEditor::ToggleItalic() { toggle(values_.editor.ItalicToggle, &QFont::setItalic); }

void TextEditor::ToggleUnderline() { toggle(values_.editor.UnderlineToggle, &QFont::setUnderline); }

void TextEditor::toggle(std::int16_t& counter, void (QFont::*attribute)(bool))
{
    // The attribute belongs to the whole box. The counter outlives the window while the font
    // does not, so after a reopen a press may switch off what is already off.
    const bool on = counter % 2 == 0;
    QFont font = rtfEd_->font();
    (font.*attribute)(on);
    rtfEd_->setFont(font);
    counter = on ? 1 : 2;
}

}  // namespace editor
