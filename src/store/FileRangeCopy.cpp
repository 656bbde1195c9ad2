#include "store/FileRangeCopy.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

// The answers by which a kernel or file system says it cannot copy between these two files, as
// opposed to a copy that went wrong.
bool refusesToCopy(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, static_cast<size_t>(size));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = EIO;
            return false;
        }
        data += put;
        size -= put;
    }
    return true;
}

}  // namespace

FileRangeAppender::FileRangeAppender(int source, const char* sourceBytes, int target, KernelCopy copy,
                                     qint64 sliceBytes)
    : source_(source), sourceBytes_(sourceBytes), target_(target), copy_(copy), sliceBytes_(sliceBytes)
{
}

bool FileRangeAppender::append(qint64 offset, qint64 size)
{
    while (size > 0) {
        const qint64 slice = qMin(size, sliceBytes_);
        if (!copySlice(offset, slice))
            return false;
        // Only a request to start writing: the caller's fsync waits for it and reports errors.
        ::sync_file_range(target_, written_, slice, SYNC_FILE_RANGE_WRITE);
        written_ += slice;
        offset += slice;
        size -= slice;
    }
    return true;
}

bool FileRangeAppender::copySlice(qint64 offset, qint64 size)
{
    while (size > 0 && kernelCopies_) {
        off64_t from = offset;
        const ssize_t copied = copy_(source_, &from, target_, nullptr, static_cast<size_t>(size), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && refusesToCopy(errno)) {
            kernelCopies_ = false;
            break;
        }
        if (copied <= 0) {
            if (copied == 0)
                errno = EIO;  // the source ended early: it shrank under us
            return false;
        }
        offset += copied;
        size -= copied;
    }
    return writeAll(target_, sourceBytes_ + offset, size);
}

}  // namespace store
