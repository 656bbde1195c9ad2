#pragma once
// One running copy per program folder. Two copies on the same folder would append to and
// rewrite the same history and address-book files at once, and a record written by one could
// be lost to the other's rewrite. The running copy holds an flock on a lock file in the data
// folder: the kernel releases it with the process however the process ends (killed, logged
// out), and taking it writes nothing, so a full disk does not keep the program from starting.

#include "platform/ProgramFolder.h"

class SingleInstance {
public:
    // Tries to take the lock of the program folder at once.
    explicit SingleInstance(const ProgramFolder& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False only when another running copy holds the lock. A data folder that is missing or
    // whose lock file cannot be opened holds no history either, so the program then runs
    // without a lock.
    bool acquired() const { return acquired_; }

    static constexpr const char16_t* LockPath = u"\\★MAilData\\tessaly.lock";

private:
    int fd_ = -1;
    bool acquired_ = true;
};
