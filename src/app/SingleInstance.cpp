#include "app/SingleInstance.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance(const ProgramFolder& folder)
{
    const QByteArray path = QFile::encodeName(folder.path(LockPath));
    // The file is left in place when the program ends: removing it would let a starting copy
    // lock a file that the next one no longer finds.
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0)
        fd_ = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // a full or read-only disk
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        acquired_ = errno != EWOULDBLOCK;
}

SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        ::close(fd_);
}
