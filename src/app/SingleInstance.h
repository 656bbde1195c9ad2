#pragma once
// One running copy per program folder. Two copies on the same folder would append to and
// rewrite the same history and address-book files at once, and a record written by one could
// be lost to the other's rewrite. The running copy holds a lock file in the data folder; the
// lock of a copy that died without releasing it is taken over.

#include "platform/ProgramFolder.h"

#include <QLockFile>

class SingleInstance {
public:
    // Tries to take the lock of the program folder at once.
    explicit SingleInstance(const ProgramFolder& folder);

    // False only when another running copy holds the lock. A data folder that is missing or
    // cannot be written holds no history either, so the program then runs without a lock.
    bool acquired() const { return acquired_; }

    static constexpr const char16_t* LockPath = u"\\★MAilData\\tessaly.lock";

private:
    QLockFile lock_;
    bool acquired_ = true;
};
