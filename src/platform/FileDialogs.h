#pragma once
// Picking a file to open goes through this interface, so that windows with a file picker can be
// driven by tests without a person at the dialog. The program uses QtFileDialogs; tests hand in
// a scripted one.

#include <QString>

class QWidget;

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Lets the user choose one existing file, with no filter, title or start folder of the
    // caller's. Returns its full path, or an empty text when the dialog was cancelled.
    virtual QString openFile(QWidget* parent) = 0;
};

class QtFileDialogs final : public FileDialogs {
public:
    QString openFile(QWidget* parent) override;
};
