#include "platform/DiskSync.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool syncFileSystemsOf(const QStringList& folders, QString* error)
{
    QSet<dev_t> done;
    for (const QString& folder : folders) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        // syncfs reports a failed write-back of the file system since Linux 5.8.
        const bool synced = done.contains(info.st_dev) || ::syncfs(fd) == 0;
        const int cause = errno;
        ::close(fd);
        if (!synced) {
            *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(cause)));
            return false;
        }
        done.insert(info.st_dev);
    }
    return true;
}
