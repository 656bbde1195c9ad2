#pragma once
// What a POP3 server says it can do (RFC 2449 CAPA), and the APOP timestamp of its greeting.

#include <QByteArray>
#include <QByteArrayList>

namespace nmail {

struct Pop3Capabilities {
    bool known = false;  // the server answered CAPA; without it only RFC 1939 is assumed
    bool user = false;
    bool stls = false;
    bool pipelining = false;
    bool uidl = false;
    bool top = false;
    QByteArrayList sasl;  // mechanism names, upper case

    // The lines of a CAPA answer (each ended by its line end).
    static Pop3Capabilities parse(const QByteArray& lines);
};

// The "<...>" timestamp of a greeting (RFC 1939 APOP), or empty when it offers none.
QByteArray apopTimestamp(const QByteArray& greeting);

}  // namespace nmail
