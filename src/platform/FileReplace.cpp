#include "platform/FileReplace.h"

#include <QFileInfo>
#include <QSaveFile>

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error,
                 QFileDevice::Permissions newFilePermissions)
{
    QSaveFile file(path);
    const bool existed = QFileInfo::exists(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok && !existed && newFilePermissions)
        ok = file.setPermissions(newFilePermissions);
    // QSaveFile::commit() does not notice a write that failed only while flushing its buffer.
    ok = ok && file.write(bytes) == bytes.size() && file.flush();
    if (!ok) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
