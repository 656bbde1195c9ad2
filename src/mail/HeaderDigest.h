#pragma once
// A fingerprint of a mail's header block that is the same whether the header came with the whole
// mail (RETR) or alone (TOP n 0): the lines before the first empty one, each without its line
// end. Together with a UIDL and the listed size it tells whether a mail on the server is one
// seen before: servers give two mails one UIDL, or reuse ids once mails are gone, but not with
// the same header (Received lines, Message-ID, Date).

#include <QByteArray>
#include <QByteArrayView>

namespace nmail {

// The SHA-256, in lower-case hex, of the header lines at the start of mail.
QByteArray mailHeaderDigest(QByteArrayView mail);

}  // namespace nmail
