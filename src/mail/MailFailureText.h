#pragma once
// The user's words for a MailFailure: one table for both protocols.

#include "mail/MailFailure.h"

#include <QString>

#include <chrono>

namespace nmail {

// "POP3サーバー host:port: …", never empty for a failure.
QString describe(const MailFailure& failure, std::chrono::milliseconds timeout);

}  // namespace nmail
