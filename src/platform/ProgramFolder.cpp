#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

// The entry of folder whose name equals name without regard to case; an exact match wins over
// other spellings when a case-sensitive file system holds several. Empty when none exists.
QString existingSpelling(const QString& folder, const QString& name)
{
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return name;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (QString::compare(entry, name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

}  // namespace

ProgramFolder::ProgramFolder(QString root) : root_(std::move(root)) {}

ProgramFolder ProgramFolder::ofRunningExecutable()
{
    return ProgramFolder(QCoreApplication::applicationDirPath());
}

QString ProgramFolder::path(QStringView relative) const
{
    // "/" is a separator to the file system as well, so it splits components too; otherwise a
    // component like "a/../.." could climb out of the program folder.
    QString components = relative.toString();
    components.replace(QLatin1Char('/'), QLatin1Char('\\'));

    QString resolved = root_;
    bool parentExists = QFileInfo(root_).isDir();
    for (QString& name : components.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (name == u"." || name == u"..")
            continue;
        if (parentExists) {
            const QString existing = existingSpelling(resolved, name);
            parentExists = !existing.isEmpty();
            if (parentExists)
                name = existing;
        }
        if (!resolved.endsWith(QLatin1Char('/')))
            resolved += QLatin1Char('/');
        resolved += name;
    }
    return QDir::toNativeSeparators(resolved);
}
