// The editor's file commands and its per-user settings.

#include "editor/DocumentText.h"
#include "editor/TextEditor.h"
#include "platform/Cp932.h"
#include "platform/FileReplace.h"
#include "platform/RegularFile.h"
#include "platform/Seams.h"

#include <QFileInfo>
#include <QSettings>
#include <QTextEdit>

namespace editor {

namespace {

const QString NewDocumentName = QStringLiteral("新規作成.TXT");
// The per-user settings live under this name, as organisation and as application.
const QString SettingsName = QStringLiteral("tobelka");

// Creates or replaces the file; false on any failure, leaving an existing file as it was. A
// device, FIFO or folder of that name is left alone: replacing it would not write the text
// into it but take its place.
bool writeFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (path.isEmpty() || (target.exists() && !target.isFile()))
        return false;
    return replaceFile(path, bytes);
}

qsizetype longestLine(QStringView text)
{
    qsizetype longest = 0;
    qsizetype current = 0;
    for (const QChar ch : text) {
        current = (ch == u'\r' || ch == u'\n') ? 0 : current + 1;
        longest = qMax(longest, current);
    }
    return longest;
}

// A text file as the editor takes it: its text, or why it is not opened. A file that cannot be
// read has neither.
struct Document {
    std::optional<QString> text;
    QString refusal;
};

Document readDocument(const QString& path)
{
    const FileReadResult read = readRegularFile(path, MaxDocumentBytes);
    switch (read.status) {
    case FileReadStatus::Read: break;
    case FileReadStatus::Unreadable: return {};
    case FileReadStatus::NotRegular:
        return {std::nullopt, QStringLiteral("「%1」は通常のファイルではないため、開けません。").arg(path)};
    case FileReadStatus::TooLarge:
        return {std::nullopt,
                QStringLiteral("「%1」は大きすぎるため、開けません。\n開けるのは%2バイト（1MB）までのファイルです。")
                    .arg(path)
                    .arg(MaxDocumentBytes)};
    }
    QString text = cp932::decode(read.bytes);
    if (longestLine(text) > MaxLineCharacters)
        return {std::nullopt, QStringLiteral("「%1」には長すぎる行があるため、開けません。\n"
                                             "開けるのは1行が%2文字までのファイルです。")
                                  .arg(path)
                                  .arg(MaxLineCharacters)};
    return {std::move(text), {}};
}

}  // namespace

QString FolderPart(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (path.at(i) == QLatin1Char('\\') || path.at(i) == QLatin1Char('/'))
            return path.left(i + 1);
    }
    return path;
}

void TextEditor::SaveToCurrentFile()
{
    // Failures are quiet: the document simply stays marked as changed.
    if (writeFile(values_.CurrentFile, cp932::encode(storedText(rtfEd_))))
        values_.EditorModified = false;
}

bool TextEditor::LoadCurrentFile()
{
    if (values_.CurrentFile.isEmpty())
        return true;
    const Document document = readDocument(values_.CurrentFile);
    if (document.text)
        setStoredText(rtfEd_, *document.text);
    return document.text.has_value();
}

void TextEditor::NewDocument()
{
    // Once the new document has been named, the command has done its work for this run.
    if (values_.CurrentFile.contains(NewDocumentName))
        return;
    if (values_.EditorModified)
        SaveToCurrentFile();
    rtfEd_->clear();
    values_.CurrentFile = FolderPart(values_.CurrentFile) + NewDocumentName;
    SaveToCurrentFile();
    values_.EditorModified = false;
    window_->setWindowTitle(NewDocumentName + QStringLiteral("      ") + values_.CurrentFile);
}

void TextEditor::OpenDocument()
{
    const std::optional<QString> chosen = dialogs_->openFile(window_);
    if (!chosen)
        return;
    if (chosen->isEmpty()) {
        window_->setWindowTitle(QStringLiteral("notitle"));
        return;
    }
    // The caption names the file even when it then cannot be read. A file that cannot be read
    // fails quietly; one that is refused (it never ends, would block, or is too large for the
    // editor) is named with the reason, since nothing else would tell.
    window_->setWindowTitle(*chosen);
    const Document document = readDocument(*chosen);
    if (document.text)
        setStoredText(rtfEd_, linesEndingInCrLf(*document.text));
    else if (!document.refusal.isEmpty())
        messages_.warn(window_, document.refusal);
}

void TextEditor::SaveDocumentAs()
{
    const std::optional<QString> chosen = dialogs_->saveFile(window_);
    if (!chosen)
        return;
    window_->setWindowTitle(*chosen);
    writeFile(*chosen, cp932::encode(storedText(rtfEd_) + QStringLiteral("\r\n")));
}

void TextEditor::StoreEditorSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsName, SettingsName);
    // Writing a key first makes sure each section exists when it is removed.
    for (const QString& section : {QStringLiteral("HIST"), QStringLiteral("OKINI")}) {
        settings.setValue(section + QStringLiteral("/0"), QStringLiteral("EMPTY"));
        settings.remove(section);
    }
    settings.setValue(QStringLiteral("FLAG/AUTOSAVE"), values_.editor.AutoSaveSetting);
}

}  // namespace editor
