#include "platform/DiskSpace.h"

#include <QFile>

#include <sys/statvfs.h>
#include <unistd.h>

bool diskIsFull(const QString& path)
{
    // Less than this counts as full: a mail's record alone is 20 KB.
    constexpr unsigned long long Room = 64 * 1024;
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    const unsigned long long blocks = ::geteuid() == 0 ? info.f_bfree : info.f_bavail;
    return blocks * info.f_frsize < Room;
}
