#pragma once
// A server as the user writes it: "host" or "host:port" ("[::1]:port" for an IPv6 literal).

#include <QString>

#include <optional>

namespace nmail {

enum class MailProtocol { Pop3, Smtp };

struct ServerAddress {
    QString host;
    int port = 0;
    bool implicitTls = false;

    // Parses the user's text; nullopt for an empty host or a port outside 1..65535.
    static std::optional<ServerAddress> parse(const QString& text, MailProtocol protocol);

    QString display() const;
};

}  // namespace nmail
