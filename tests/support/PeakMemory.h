#pragma once
// The process's peak resident memory, for tests of what an operation holds at most.

#include <QByteArray>
#include <QFile>

namespace peakmemory {

// The peak resident memory in bytes ("VmHWM"), or -1.
inline qint64 peak()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Lowers the peak to the present resident memory, so that what was built before does not count;
// the peak stays where it was when the kernel does not allow it.
inline qint64 reset()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    return peak();
}

}  // namespace peakmemory
