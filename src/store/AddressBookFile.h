#pragma once
// The address book file and the read-only address list, both files of 124-byte AddressRecords
// in the data folder. Every call opens the file, does its one job and closes it again.

#include "platform/ProgramFolder.h"
#include "store/AddressRecord.h"
#include "store/HistoryFile.h"

#include <QList>
#include <QString>
#include <optional>

namespace store {

// "\★MAilData\Devudiz20.data", the address book.
QString addressBookPath(const ProgramFolder& folder);
// "\★MAilData\DEVUDIZ20.TMP", where a rewrite of the address book builds the new file.
QString addressBookTempPath(const ProgramFolder& folder);
// "\★MAilData\ZIDORIDE20.INI", a list in the same layout that the program only reads.
QString addressListPath(const ProgramFolder& folder);

// The number for appending: the file length divided by 124, plus one, rounded half to even (a
// partial last record may thus be overwritten or followed by a gap). A missing file counts as
// empty. Never wraps: a full book gives MaxRecordNumber + 1, which writeAddress refuses.
int NextAddressNumber(const QString& path);

// Creates the file empty when it does not exist (never its folder).
StoreResult createIfMissing(const QString& path);

// Writes one record at its number (from 1), creating the file when missing, and makes sure the
// bytes have reached the disk before returning success.
StoreResult writeAddress(const QString& path, int number, const AddressRecord& record);

// Every whole record in file order, whatever its InUse; an incomplete tail is not listed. A
// missing file gives no records.
QList<AddressRecord> readAddresses(const QString& path);

// Record number (from 1); nullopt when the file is missing or the record is not whole.
std::optional<AddressRecord> readAddress(const QString& path, int number);

// Rewrites the book without record doomed (0 for none) and without any record already marked
// InUse = 0; the others keep their order and bytes and are numbered again from 1.
StoreResult removeAddress(const ProgramFolder& folder, int doomed);

}  // namespace store
