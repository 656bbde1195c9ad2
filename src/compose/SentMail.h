#pragma once
// The two halves of sending one mail that every sending window shares: the record the
// sent-history file keeps of it, and the hand-over to the mail library.

#include "platform/ProgramFolder.h"
#include "settings/AccountSettings.h"
#include "store/HistoryRecord.h"

#include <QString>
#include <optional>

class MessageBoxes;
class QWidget;

namespace compose {

// What a sending window hands over, as its boxes hold it (untrimmed). Line breaks are CR LF;
// attachments are full paths joined with ",".
struct OutgoingMail {
    QString to;
    QString subject;
    QString body;
    QString attachments;
    QString header = {};  // extra header lines, each ended by CR LF (a reply's thread)

    bool operator==(const OutgoingMail&) const = default;
};

// The sent-history record of a mail: subject, recipient and body without leading and trailing
// spaces, and the main window's clock text as the sending date, unchanged.
store::HistoryRecord sentRecord(const QString& clockText, const OutgoingMail& mail);

// Asking the user about an SMTP server's certificate that the system does not vouch for, or about
// sending the password to a server without TLS, at most once per press of "送信": a bulk send
// whose first mail the user declined does not ask again for every later one.
struct TrustQuestion {
    MessageBoxes& messages;
    QWidget* window;
    bool declined = false;
};

// Sends the mail from the account's address through its SMTP server. For a server that asks for
// a login, the ID and password of this run go along (what the ID/password window took over), or
// the stored ones when none were entered yet. A certificate the system does not vouch for is
// shown to the user, and the mail goes out once the user trusts it; so is a login that would
// cross unencrypted, and the mail goes out once the user agrees. Returns nothing when the
// mail was sent, otherwise the mail library's own text of what went wrong.
std::optional<QString> sendMail(const AccountSettings& account, const ProgramFolder& folder,
                                const OutgoingMail& mail, TrustQuestion& trust);

}  // namespace compose
