#pragma once
// The program folder (the executable's folder) and the data paths inside it.
//
// Data paths are written the way the stored formats and windows name them: a relative path that
// begins with "\" and uses "\" as separator, e.g. "\★MailData\iniIdPass.ini". The data folder is
// spelled "★MAilData" in some places and "★MailData" in others; both must name one folder, so
// each component is looked up case-insensitively against what exists on disk.

#include <QString>
#include <QStringView>

class ProgramFolder {
public:
    explicit ProgramFolder(QString root);

    // The folder holding the running executable.
    static ProgramFolder ofRunningExecutable();

    const QString& root() const { return root_; }

    // The native absolute path for a "\"-separated relative path. Each component that exists
    // under its parent with a different case resolves to the existing entry; components that do
    // not exist are kept as spelled. "/" separates components as well; empty components, "."
    // and ".." are dropped so the result never leaves the program folder. When several entries
    // match without regard to case, the exact spelling wins, else the first in name order.
    QString path(QStringView relative) const;

    // The well-known folders and files.
    static constexpr const char16_t* DataFolder = u"\\★MAilData";
    static constexpr const char16_t* AttachmentFolder = u"\\添付フォルダ";

private:
    QString root_;
};
