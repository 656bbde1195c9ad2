#pragma once
// Mends the two ways real mail breaks MIME's line grammar so badly that the parser would drop
// text, before the parser sees it. Nothing else in the mail changes.

#include <QByteArray>

namespace nmail {

// - The header ends at its first line that is neither a field ("name:"), nor a folded
//   continuation, nor a leading mbox "From " line (RFC 5322 2.1). A missing empty line is put
//   there, and a line of spaces or tabs that ends the header becomes empty: without this the
//   parser reads the text as broken header fields and throws it away. A mail without a header
//   is all text.
// - Boundary delimiter lines may carry spaces and tabs after the boundary ("transport
//   padding", RFC 2046 5.1.1), which the parser does not accept; they are removed from lines
//   that name a boundary declared anywhere in the mail.
QByteArray repairedForParsing(QByteArray raw);

}  // namespace nmail
