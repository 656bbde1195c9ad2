#pragma once
// Appending byte ranges of one open file to another, the way a copy tool does: the kernel copies
// the bytes itself where the file system lets it, without a trip through this process, and they
// are written from a mapping of the source where it does not. The disk is set to writing each
// slice as soon as it has been copied, so that the final fsync finds little left to do.

#include <QtGlobal>

#include <sys/types.h>

namespace store {

// The kernel's copy call, with the arguments of copy_file_range; tests put in one that plays a
// kernel or a file system that refuses it.
using KernelCopy = ssize_t (*)(int source, off64_t* sourceOffset, int target, off64_t* targetOffset,
                               size_t length, unsigned int flags);

// Copies are made and handed to the disk in slices of this size: the disk writes one slice while
// the next is copied. Smaller slices measured slower: handing over blocks while the disk's queue
// is full, so the copy waits for the disk more often.
inline constexpr qint64 DefaultSliceBytes = 64 * 1024 * 1024;

class FileRangeAppender {
public:
    // source: open for reading, its bytes mapped at sourceBytes from offset 0. target: open for
    // writing at offset 0; everything appended goes there in order.
    FileRangeAppender(int source, const char* sourceBytes, int target, KernelCopy copy,
                      qint64 sliceBytes = DefaultSliceBytes);

    // Appends the source bytes [offset, offset + size); false with errno set on a failure.
    bool append(qint64 offset, qint64 size);

private:
    bool copySlice(qint64 offset, qint64 size);

    int source_;
    const char* sourceBytes_;
    int target_;
    KernelCopy copy_;
    qint64 sliceBytes_;
    qint64 written_ = 0;
    bool kernelCopies_ = true;  // false once the kernel has refused to copy these files
};

}  // namespace store
