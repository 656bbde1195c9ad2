#pragma once
// Deleting entries of the history the viewer shows: "１件削除" removes the selected entry,
// "全件削除" every entry the list shows. Both rewrite the history file without the doomed records
// and fill the list again, so that line i keeps standing for record i + 1.
//
// The doomed records are never marked in the file itself: the rewrite leaves them out by their
// numbers, together with any record that some earlier run left marked as not in use (InUse 0).
// Marking in place first would give the same new file but would change the old one before the
// rewrite, so a crash in between would leave neither the old history nor the new one.

#include "app/ProgramState.h"
#include "platform/Seams.h"
#include "store/HistoryFile.h"
#include "store/HistoryRecord.h"

#include <QSet>

class TyakuForm;

namespace history {

// Rewrites the history of the given kind through its temporary file ("ZELDATA2.TMP" or
// "ZELDATA5.TMP" in the data folder), keeping, in their order and byte for byte, the whole
// records that are neither doomed (numbers from 1) nor marked InUse 0; an incomplete last record
// is dropped. The history file is at every moment the complete old or the complete new file; on
// failure it is unchanged and the result names the cause. A missing history is left missing.
store::StoreResult CompactHistoryFile(const ProgramFolder& folder, store::HistoryKind kind,
                                      const QSet<int>& doomed);

// Fills the viewer from the history of the given kind after a deletion, as loading it does: one
// line per record, the count in Text2, no line selected, the boxes showing the last record and
// its body left on the clipboard.
void RefillHistoryList(TyakuForm& viewer, ProgramState& state, store::HistoryKind kind);

// "１件削除": the selected line's record, after the user's Yes. CurrentRecord takes the record
// number before the question is asked. In the sent history the remaining count is then handed
// to the viewer's setMainHelpText hook.
void Command1_Click(TyakuForm& viewer, ProgramState& state, MessageBoxes& messages);

// "全件削除": the record of every list line, after the user's Yes. A record the list does not
// show (appended after the list was filled) survives and is listed alone afterwards.
void Command5_Click(TyakuForm& viewer, ProgramState& state, MessageBoxes& messages);

}  // namespace history
