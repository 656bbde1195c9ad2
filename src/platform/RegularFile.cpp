#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileReadResult readRegularFile(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty())
        return {};
    const QByteArray native = QFile::encodeName(path);
    // Devices are not even opened: opening some of them has effects of its own.
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return {};
    if (!S_ISREG(info.st_mode))
        return {FileReadStatus::NotRegular, {}};
    // The name may be given to something else between the look and the opening. Without
    // O_NONBLOCK, opening a FIFO waits for a writer, possibly for ever; for a regular file the
    // flag changes nothing.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENXIO ? FileReadStatus::NotRegular : FileReadStatus::Unreadable, {}};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    if (::fstat(fd, &info) != 0)
        return {};
    if (!S_ISREG(info.st_mode))
        return {FileReadStatus::NotRegular, {}};
    if (info.st_size > maxBytes)
        return {FileReadStatus::TooLarge, {}};

    // One byte more than allowed tells a file that grew meanwhile.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {};
    if (bytes.size() > maxBytes)
        return {FileReadStatus::TooLarge, {}};
    return {FileReadStatus::Read, bytes};
}
