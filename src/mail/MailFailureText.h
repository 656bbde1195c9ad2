#pragma once
// The user's words for a MailFailure: one table for both protocols.

#include "mail/MailFailure.h"

#include <QAbstractSocket>
#include <QString>

#include <chrono>

namespace nmail {

// "POP3サーバー host:port: …", never empty for a failure.
QString describe(const MailFailure& failure, std::chrono::milliseconds timeout);

// The socket layer's reason in the user's words; Qt's own text only for the rare ones.
QString socketErrorText(QAbstractSocket::SocketError error, const QString& qtText);

}  // namespace nmail
