#pragma once
// A received record holds its mail in code page 932: a character that code page lacks is there
// as a look-alike or "〓". When the mail itself was kept, its text gives those characters back.

#include <QString>

#include <optional>

namespace history {

// The record's text with every character it holds only as a look-alike or "〓" written as the
// mail's text (decoded from the kept mail, line ends CR LF) has it. The two are read side by
// side, a character as a reader sees it at a time; where they part in any other way (the record
// was cut, or goes on with lines of its own) the record's text goes on as it stands, so nothing
// is lost or shown twice. Nothing when no character changes.
std::optional<QString> exactText(const QString& recordText, const QString& mailText);

}  // namespace history
