#pragma once
// Record access to the two history files in the data folder. Every call opens the file, does its
// one job and closes it again; no file stays open between calls.

#include "platform/ProgramFolder.h"
#include "store/HistoryRecord.h"
#include "store/RecordFile.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace store {

// "\★MAilData\zeldata2.data" (received) or "\★MAilData\zeldata5.data" (sent).
QString historyPath(const ProgramFolder& folder, HistoryKind kind);

// The number for appending a record: the file length divided by the record size, plus one,
// rounded half to even (a file with a partial last record overwrites that record). A missing
// file counts as empty. Unlike a 16-bit counter this never wraps: a full history gives
// MaxRecordNumber + 1, which writeRecord refuses.
int NextRecordNumber(const QString& path);

// Writes one record at its number (from 1), creating the file when missing (never its folder).
// Unless the caller flushes a batch of writes itself (the mail check, before the server commits
// any deletion), the bytes have reached the disk when this returns success.
StoreResult writeRecord(const QString& path, int number, const HistoryRecord& record,
                        Durability durability = Durability::BeforeReturn);
// The same for the record's 20284 bytes, already made.
StoreResult writeRecordBytes(const QString& path, int number, const QByteArray& bytes,
                             Durability durability = Durability::BeforeReturn);

// Records numbered first, first + 1, ... through one opening of the file (RecordFile.h).
StoreResult writeRecordRun(const QString& path, int first, const QList<QByteArray>& records, Durability durability,
                           const std::function<bool(qsizetype)>& written);

// Refuses a number beyond the largest a history holds, with a sentence saying it is full.
StoreResult roomForRecord(const QString& path, int number);

// Removes a partial last record: the tail of a write that was cut off (the program killed, the
// power gone). Nothing stored whole is touched; a file of whole records stays as it is.
StoreResult cutPartialRecord(const QString& path);

// Reads record number (from 1); nullopt when the file is missing or the record is not whole.
std::optional<HistoryRecord> readRecord(const QString& path, int number);

// Subject, FieldA and FieldB of every whole record in file order, without reading the bodies.
// A partial last record is not listed.
QList<HistoryRecord> readHeadings(const QString& path);
// The same headings handed over one at a time, for a caller that keeps only what it makes of
// them (a history of 32767 records has as many headings).
void forEachHeading(const QString& path, const std::function<void(const HistoryRecord&)>& visit);

// The number of whole records in the file.
int recordCount(const QString& path);

}  // namespace store
