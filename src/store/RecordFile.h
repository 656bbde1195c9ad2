#pragma once
// Record access shared by the history files and the address book: fixed-length records
// addressed by number from 1, numbered for appending by the file length, written so that a
// record has reached the disk before success is reported.

#include <QByteArray>
#include <QString>
#include <QList>

#include <functional>
#include <optional>

namespace store {

// Record numbers are 16-bit: a file holds at most this many records.
inline constexpr int MaxRecordNumber = 32767;

struct StoreResult {
    bool ok = true;
    QString error;  // a sentence for the user naming the file, when !ok
};

// How messages name a file and what it holds ("履歴ファイル" / "履歴").
struct RecordFileWords {
    QString file;
    QString entries;
};

// The number for appending: the file length divided by the record size, plus one, rounded half
// to even (a partial last record may be overwritten). A missing file counts as empty. Unlike a
// 16-bit counter this never wraps: a full file gives MaxRecordNumber + 1, which writeRecordBytes
// refuses.
int nextRecordNumber(const QString& path, qint64 recordSize);

// When a written record must have reached the disk: before the write returns, or later, when
// the caller flushes a batch of writes at once (syncFileSystemsOf) before relying on them.
enum class Durability { BeforeReturn, FlushedByCaller };

// Whether a record numbered number may be written: refused beyond MaxRecordNumber with a
// sentence that says the file is full.
StoreResult roomForRecord(const QString& path, int number, const RecordFileWords& words);

// Writes one record's bytes at its number, creating the file when missing (never its folder). A
// failed write leaves the file at its old length, so later numbers do not shift.
StoreResult writeRecordBytes(const QString& path, int number, const QByteArray& bytes,
                             const RecordFileWords& words, Durability durability = Durability::BeforeReturn);

// Writes records numbered first, first + 1, ... through one opening of the file; written hears of
// each one as soon as it is in the file, and may say false to stop there. A record that cannot
// be written leaves the file as it was before it, and the result names the problem.
StoreResult writeRecordRun(const QString& path, int first, const QList<QByteArray>& records, const RecordFileWords& words,
                           Durability durability, const std::function<bool(qsizetype)>& written);

// The bytes of record number; nullopt when the file is missing or the record is not whole.
std::optional<QByteArray> readRecordBytes(const QString& path, int number, qint64 recordSize);

}  // namespace store
