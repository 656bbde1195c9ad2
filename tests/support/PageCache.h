#pragma once
// What of a file the page cache holds, and dropping it without root (fdatasync, then
// posix_fadvise(POSIX_FADV_DONTNEED)), so that the next read goes to the disk: for tests and
// benchmarks of reading files that are not in memory.

#include <QFile>
#include <QString>

#include <algorithm>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace pagecache {

// True when the file's pages could be dropped; a page that is mapped or dirty may stay.
inline bool evict(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && ::fdatasync(file.handle()) == 0
        && ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED) == 0;
}

// How many of the file's pages are in memory; -1 when that cannot be told.
inline qint64 residentPages(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return file.isOpen() ? 0 : -1;
    const auto size = static_cast<size_t>(file.size());
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, file.handle(), 0);
    if (mapped == MAP_FAILED)
        return -1;
    std::vector<unsigned char> pages((size + page - 1) / page);
    const bool ok = ::mincore(mapped, size, pages.data()) == 0;
    ::munmap(mapped, size);
    return ok ? std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }) : -1;
}

}  // namespace pagecache
