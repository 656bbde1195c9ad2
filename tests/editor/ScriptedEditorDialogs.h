#pragma once
// The editor's dialogs for tests: file dialogs answer from queues (an empty queue is a cancel),
// the print dialog sends every job to a PDF file of its own in a given folder.

#include "editor/EditorDialogs.h"

#include <QList>
#include <QPrinter>
#include <QQueue>

class ScriptedEditorDialogs final : public editor::EditorDialogs {
public:
    std::optional<QString> openFile(QWidget*) override { return next(openAnswers); }
    std::optional<QString> saveFile(QWidget*) override { return next(saveAnswers); }

    bool choosePrinter(QPrinter& printer, bool selection, QWidget*) override
    {
        selectionOffered.append(selection);
        if (copies == 0)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setCopyCount(copies);
        return true;
    }

    void startingJob(QPrinter& printer, int copy) override
    {
        printer.setOutputFileName(jobFile(copy));
    }

    QString jobFile(int copy) const { return QStringLiteral("%1/%2-%3.pdf").arg(printFolder, jobName).arg(copy); }

    QQueue<std::optional<QString>> openAnswers;
    QQueue<std::optional<QString>> saveAnswers;
    int copies = 1;           // copies chosen in the print dialog; 0 cancels it
    QString printFolder;      // where the jobs go, as <jobName>-<copy>.pdf
    QString jobName = QStringLiteral("job");
    QList<bool> selectionOffered;  // per print dialog shown

private:
    static std::optional<QString> next(QQueue<std::optional<QString>>& answers)
    {
        return answers.isEmpty() ? std::nullopt : answers.dequeue();
    }
};
