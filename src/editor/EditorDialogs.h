#pragma once
// The editor's one common dialog: choosing a file to open or to save to, and choosing a printer.
// Windows use QtEditorDialogs; tests hand in a scripted one, so that no person is needed at a
// dialog and printouts can go to files.

#include <QFileDialog>
#include <QString>

#include <optional>

class QPrinter;
class QWidget;

namespace editor {

class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;

    // The open dialog. Nothing when it was cancelled, otherwise the chosen path, which may
    // name a file that does not exist (in a folder that does).
    virtual std::optional<QString> openFile(QWidget* parent) = 0;
    // The save dialog; it asks before an existing file is replaced.
    virtual std::optional<QString> saveFile(QWidget* parent) = 0;
    // The print dialog for printer, with its selection option chosen when selection is true and
    // disabled otherwise. False when it was cancelled.
    virtual bool choosePrinter(QPrinter& printer, bool selection, QWidget* parent) = 0;
    // Every copy is printed as a job of its own; this runs before job number `copy` (from 1)
    // begins on printer.
    virtual void startingJob(QPrinter& printer, int copy) = 0;
};

class QtEditorDialogs final : public EditorDialogs {
public:
    // The dialogs start in startFolder (the program folder, where the program's files are)
    // until a file has been chosen; without one, in the process's working folder.
    explicit QtEditorDialogs(QString startFolder = {}) : startFolder_(std::move(startFolder)) {}

    std::optional<QString> openFile(QWidget* parent) override;
    std::optional<QString> saveFile(QWidget* parent) override;
    bool choosePrinter(QPrinter& printer, bool selection, QWidget* parent) override;
    // A printer takes each job as it comes.
    void startingJob(QPrinter&, int) override {}

private:
    std::optional<QString> chooseFile(QWidget* parent, QFileDialog::AcceptMode mode);

    QString startFolder_;
    // Offered again the next time either file dialog opens.
    QString lastFile_;
};

}  // namespace editor
