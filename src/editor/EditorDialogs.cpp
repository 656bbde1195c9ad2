#include "editor/EditorDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace editor {

std::optional<QString> QtEditorDialogs::openFile(QWidget* parent)
{
    return chooseFile(parent, QFileDialog::AcceptOpen);
}

std::optional<QString> QtEditorDialogs::saveFile(QWidget* parent)
{
    return chooseFile(parent, QFileDialog::AcceptSave);
}

std::optional<QString> QtEditorDialogs::chooseFile(QWidget* parent, QFileDialog::AcceptMode mode)
{
    // Both dialogs carry the same title; opening may name a file that does not exist yet.
    QFileDialog dialog(parent, QStringLiteral("ファイルを開く"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The description is shown as it stands; the patterns in the last parentheses do the work.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(QStringLiteral("txtファイル(*.txt,*.ini) (*.txt *.ini)"));
    if (!lastFile_.isEmpty())
        dialog.selectFile(lastFile_);
    else if (!startFolder_.isEmpty())
        dialog.setDirectory(startFolder_);
    while (dialog.exec() == QDialog::Accepted) {
        const QString chosen = dialog.selectedFiles().value(0);
        // A typed path into a folder that does not exist is not an answer: the dialog comes
        // back with the path as typed.
        if (QFileInfo(chosen).dir().exists()) {
            lastFile_ = chosen;
            return chosen;
        }
    }
    return std::nullopt;
}

bool QtEditorDialogs::choosePrinter(QPrinter& printer, bool selection, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace editor
