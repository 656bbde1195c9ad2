#pragma once
// Whether this process still holds a file open after it was replaced (renamed over): such a
// file keeps its disk space until its last descriptor is closed.

#include <QDir>
#include <QFileInfo>
#include <QString>

// The descriptors of this process that lead to the file once named path, now gone from its folder.
inline int descriptorsOfReplaced(const QString& path)
{
    const QString gone = QFileInfo(path).absoluteFilePath() + QStringLiteral(" (deleted)");
    int count = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : descriptors.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        count += fd.symLinkTarget() == gone ? 1 : 0;
    return count;
}
