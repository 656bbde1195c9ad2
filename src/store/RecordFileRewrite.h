#pragma once
// Rewriting a file of fixed-length records without ever leaving half a file behind.
//
// The kept records are written, in one pass over the original, into a temporary file beside it;
// the temporary file is forced to disk and then renamed over the original, and the folder entry
// is forced to disk as well. The filter sees each record in place in a read-only mapping of the
// original, and runs of kept records are copied by the kernel while the disk already writes
// what is copied, so a rewrite costs about what copying the file and forcing the copy to disk
// costs. Until the rename the original is untouched; after it the new file is complete. A crash
// at any moment therefore leaves either the complete old file or the complete new one. The
// blocks of the replaced file are freed in the background once the new one is in place. A temporary file left over by such a crash is never read: the next rewrite
// truncates it before writing.
//
// The result is what copying the file aside and rebuilding it record by record gives: the kept
// records in their order with their bytes unchanged, numbered again from 1. An incomplete record
// at the end of the original is dropped, as such a rebuild stops at the first read that cannot
// fill a whole record.

#include "store/HistoryFile.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

namespace store {

// Decides whether a record stays. number counts from 1; record holds exactly one record.
using KeepRecord = std::function<bool(int number, QByteArrayView record)>;

// Rewrites path keeping the records keep accepts, through tempPath (which must lie in the same
// folder so the rename is atomic). On failure the original is left as it was, the temporary
// file is removed and error names the file and the cause.
StoreResult rewriteRecordFile(const QString& path, const QString& tempPath, qint64 recordSize,
                              const KeepRecord& keep);

// The 16-bit little-endian in-use mark at inUseOffset of a record: 0 marks a record to drop.
std::int16_t inUseMark(QByteArrayView record, qsizetype inUseOffset);

}  // namespace store
