#pragma once
// A file dialog for tests: answers from a queue (an empty text is a cancel) and counts how often
// it was opened.

#include "platform/FileDialogs.h"

#include <QQueue>

class ScriptedFileDialogs final : public FileDialogs {
public:
    QString openFile(QWidget*) override
    {
        ++opened;
        return answers.isEmpty() ? QString() : answers.dequeue();
    }

    QQueue<QString> answers;  // when empty: cancelled
    int opened = 0;
};
