#pragma once
// What both sending windows check before a mail goes to the mail library, and what their
// attachment row checks when a file is picked. Each refusal says which box holds what and what
// to do; nothing is written or sent before the checks have passed, and nothing typed is lost.

#include "compose/SentMail.h"
#include "platform/Seams.h"
#include "settings/AccountSettings.h"

#include <QString>

#include <optional>

class QWidget;

namespace compose {

// The captions of a window's one-line boxes, as the messages name them.
struct BoxCaptions {
    QString to;
    QString subject;
    QString attachments;
};

// Where a send takes its recipients from: the recipient box, or the address book (bulk mode).
enum class Recipients { Typed, AddressBook };

// The checks before a send: a sender address is set; a typed recipient is there at all; no
// one-line box holds a line break or a NUL (either would start a header or an SMTP command of
// its own); and characters code page 932 cannot hold, which would go out as a look-alike or
// "〓", are shown and sent only if the user agrees.
// False when the mail must not go: the user was told why, or chose not to send.
bool readyToSend(MessageBoxes& messages, QWidget* window, const AccountSettings& account,
                 const OutgoingMail& mail, const BoxCaptions& captions, Recipients recipients = Recipients::Typed);

// Why a picked file cannot go with a mail (its path holds the "," that separates the paths, or
// characters code page 932 has no code for), or nothing when it can.
std::optional<QString> attachmentRefusal(const QString& path);

}  // namespace compose
