#pragma once
// The raw mail the mail check kept in the attachment folder for a received record that could
// not hold everything the mail carried (a longer text, characters code page 932 lacks, a cut
// sender): read back so that the history window can show and hand on what the record lost.

#include "store/HistoryRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace history {

struct KeptMail {
    QString fileName;  // in the attachment folder
    QString path;
    // As the mail has them, not cut and not limited to code page 932.
    QString subject;
    QString sender;
    QString text;       // what a person reads of it, line ends CR LF
    QByteArray header;  // as received
};

// The kept mail a received record names in its last line, when that file is in the attachment
// folder (a plain file there, not a link leading elsewhere), can be read, and is the record's
// mail: its sender and date read as the record has them. Nothing otherwise.
std::optional<KeptMail> readKeptMail(const QString& attachmentFolder, const store::HistoryRecord& record);

// The field of the kept mail in full, when the record's field is what the record makes of it
// (cut to its width, characters code page 932 lacks as look-alikes): for a sender or subject the
// record had to cut. Otherwise the record's field, trimmed.
QString wholeField(const QString& recorded, const QString& kept, qsizetype width);

}  // namespace history
