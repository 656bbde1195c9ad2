#include "app/SingleInstance.h"

SingleInstance::SingleInstance(const ProgramFolder& folder)
    : lock_(folder.path(LockPath))
{
    // The lock lives as long as the program, however long that is: only the death of its
    // holder (the process is gone, or its number now belongs to another program) makes it stale.
    lock_.setStaleLockTime(0);
    if (!lock_.tryLock(0))
        acquired_ = lock_.error() != QLockFile::LockFailedError;
}
