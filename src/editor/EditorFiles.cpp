// The editor's file commands and its per-user settings.

#include "editor/DocumentText.h"
#include "editor/TextEditor.h"
#include "platform/Cp932.h"
#include "platform/FileReplace.h"

#include <QFile>

#include <QSettings>
#include <QTextEdit>

namespace editor {

namespace {

const QString NewDocumentName = QStringLiteral("新規作成.TXT");
// The per-user settings live under this name, as organisation and as application.
const QString SettingsName = QStringLiteral("tobelka");

// Creates or replaces the file; false on any failure, leaving an existing file as it was.
bool writeFile(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return false;
    return replaceFile(path, bytes);
}

std::optional<QString> readFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return cp932::decode(bytes);
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
    const std::optional<QString> text = readFile(values_.CurrentFile);
    if (text)
        setStoredText(rtfEd_, *text);
    return text.has_value();
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
    // The caption names the file even when it then cannot be read.
    window_->setWindowTitle(*chosen);
    if (const std::optional<QString> text = readFile(*chosen))
        setStoredText(rtfEd_, linesEndingInCrLf(*text));
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
