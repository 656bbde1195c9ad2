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

// What the mail check puts into the viewer's boxes for one mail, and the mail's raw header,
// whose message identifiers are noted for replies (ReplyThreads.h).
struct ReceivedMail {
    QString subject;
    QString sender;
    QString date;
    QString body;
    QByteArray header = {};
};

// The record of the received history that the viewer's boxes would give for mail: each field
// trimmed, the text as the viewer shows it.
store::HistoryRecord receivedRecord(const ReceivedMail& mail);

// The same record as the viewer-based AppendReceivedRecord writes once the boxes hold mail, but
// without filling them: a check of many mails fills the viewer only with the last one. path is
// the received history's (looked up once by such a caller). With FlushedByCaller the record may
// not have reached the disk before the caller flushes it. Once the record is written, the thread
// a reply to the mail joins is noted beside the history.
store::StoreResult AppendReceivedRecord(ProgramState& state, const QString& path, int number,
                                        const ReceivedMail& mail, store::Durability durability);

}  // namespace history
