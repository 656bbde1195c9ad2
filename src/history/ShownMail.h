#pragma once
// What the history window's boxes show of a record. Mostly the record's own fields; but a
// received record whose mail the mail check kept whole (it held what the record could not) is
// shown with what it lost given back from the kept mail: the whole sender and subject where the
// record had to cut them, and its text with the characters code page 932 lacks as they were
// sent. The record itself is not changed.

#include "store/HistoryRecord.h"

#include <QString>

namespace history {

struct ShownMail {
    QString date;
    QString address;
    QString subject;
    QString body;
    QString notice;  // one line saying the text comes from the kept mail; empty when it does not
};

ShownMail shownMail(const store::HistoryRecord& record, store::HistoryKind kind, const QString& attachmentFolder);

}  // namespace history
