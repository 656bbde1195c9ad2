#pragma once

#include "mail/MessageComposer.h"

#include <QString>

#include <optional>

namespace nmail {

// The mail as the caller wrote it, checked before anything reaches the server: texts that go
// into a header or an SMTP command hold no line break, and every address is one. nullopt and
// the reason, naming the box, otherwise.
std::optional<OutgoingMail> checkedOutgoingMail(const QString& to, const QString& cc, const QString& bcc,
                                                const QString& from, const QString& subject, const QString& body,
                                                const QString& header, const QString& attachments, QString* error);

}  // namespace nmail
