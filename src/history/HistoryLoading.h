#pragma once
// Filling the history viewer from a history file, and storing the mail the viewer's boxes hold
// as a record of the received history.

#include "app/ProgramState.h"
#include "store/HistoryFile.h"
#include "store/HistoryRecord.h"

class TyakuForm;

namespace history {

// Fills the viewer with the history of the given kind: caption, list colour, one list line per
// whole record in file order and the count; the boxes and rtfEd are left showing the last
// record, whose body is also left on the clipboard. Sets HistoryKind. Does not show the window:
// the caller presents it.
void LoadHistory(TyakuForm& viewer, ProgramState& state, store::HistoryKind kind);

// Writes the mail in the viewer's boxes (Text9 subject, Text8 sender, Text7 date, rtfEd text,
// each trimmed) as the given record of the received history, through ReceivedRecord. The record
// is on disk when this returns success; on failure the result names the problem and the file.
store::StoreResult AppendReceivedRecord(TyakuForm& viewer, ProgramState& state, int number);

}  // namespace history
