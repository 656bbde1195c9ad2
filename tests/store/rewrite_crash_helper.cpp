// Rewrites a record file without its first record, for the crash test to kill at a random
// moment. Prints "ready" just before the rewrite starts.
// Usage: rewrite_crash_helper <file> <temporary file> <record size>

#include "store/RecordFileRewrite.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    std::puts("ready");
    std::fflush(stdout);
    const store::StoreResult result = store::rewriteRecordFile(
        QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]),
        [](int number, QByteArrayView) { return number != 1; });
    if (!result.ok)
        std::fputs(result.error.toLocal8Bit().constData(), stderr);
    return result.ok ? 0 : 1;
}
