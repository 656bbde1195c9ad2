#pragma once
// Replacing a whole file safely: the new content goes into a temporary file in the same folder,
// which is renamed over the old one only once every byte is written. A full disk may show only
// when the last buffer is flushed, so that is checked too; any failure leaves the old file as it
// was.

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// newFilePermissions apply when the file does not exist yet (an existing file keeps its own).
// On failure, error (when given) says why.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                 QFileDevice::Permissions newFilePermissions = {});
