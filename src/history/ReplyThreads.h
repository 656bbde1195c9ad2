#pragma once
// Where a reply finds the thread of the received mail it answers: "reply-threads.txt" in the
// data folder, beside the received history, one line per stored mail that named any message
// identifier. The record itself has no room for them, and other installations read the records.
//
// A line is keyed by the record's own bytes (SHA-1 of its subject, sender, date and body, the
// body's padding left out), not by its number: deleting history entries renumbers every record
// after them but writes each kept record back byte for byte, so the keys stay right without
// rewriting this file together with the history. The lines of deleted records stay behind, a
// few dozen bytes each.

#include "mail/MessageIds.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <utility>

namespace history {

// The index beside the received history file receivedHistory.
QString replyThreadsPath(const QString& receivedHistory);

// Notes the thread a reply to the mail of record (as written, 20284 bytes) carries, read from
// the mail's raw header. Nothing is noted for a mail without identifiers. A file that cannot be
// written costs the replies to that mail their thread, never the mail: false then.
bool rememberReplyThread(const QString& receivedHistory, QByteArrayView record, QByteArrayView rawHeader);
// The same for many records (as written) and their headers, in one write.
bool rememberReplyThreads(const QString& receivedHistory, const QList<std::pair<QByteArrayView, QByteArrayView>>& recordsAndHeaders);

// The thread noted for the record with these bytes; empty when none was.
nmail::ReplyThread replyThreadFor(const QString& receivedHistory, QByteArrayView record);

}  // namespace history
