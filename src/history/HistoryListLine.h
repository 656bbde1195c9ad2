#pragma once
// The text of one line of the history viewer's list, the same for both kinds of history.

#include "store/HistoryRecord.h"

#include <QString>

namespace history {

// The width the address column is filled up to with "_" so the subjects roughly line up.
inline constexpr qsizetype AddressColumnWidth = 60;

// The date, four spaces, the address filled with "_" to AddressColumnWidth characters (never
// cut when longer), four spaces and the subject; each field trimmed of spaces. The date and the
// address are taken by their roles in the history of the given kind.
QString HistoryListLine(const store::HistoryRecord& record, store::HistoryKind kind);

}  // namespace history
