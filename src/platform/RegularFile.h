#pragma once
// Reading a whole file that a person named, safely: only a regular file is read, and only up to
// a size limit. A device such as /dev/zero never ends, and a FIFO blocks until someone writes to
// it; reading either would exhaust memory or hang the program, and a huge file would freeze it.

#include <QByteArray>
#include <QString>

enum class FileReadStatus {
    Read,        // bytes holds the whole file
    Unreadable,  // missing, no permission, or a read error
    NotRegular,  // a folder, device, FIFO or socket: never read
    TooLarge,    // larger than the limit: not read
};

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Unreadable;
    QByteArray bytes;
};

// Reads the file at path when it is a regular file (a link to one counts) of at most maxBytes.
// Opening never waits, so a FIFO is refused at once; a file that grows past the limit while it
// is read is refused as too large.
FileReadResult readRegularFile(const QString& path, qint64 maxBytes);
