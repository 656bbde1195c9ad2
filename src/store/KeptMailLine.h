#pragma once
// The line that ends a received record whose mail the record could not hold whole: it names the
// file in the attachment folder that keeps the mail as the server sent it. The mail check
// writes it; the history window reads it to show and open the kept mail.

#include <QString>

#include <optional>

namespace store {

// The line naming fileName.
QString keptMailLine(const QString& fileName);

// The file name the last line of a record's text names, when that line is such a line and the
// name is a plain file name (no folder, no "..", nothing that could reach outside the folder).
std::optional<QString> keptMailName(const QString& recordText);

}  // namespace store
