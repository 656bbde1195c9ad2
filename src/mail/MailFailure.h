#pragma once
// Why a mail operation failed, as a kind and the server's own words. The engines say what
// happened; MailFailureText.h says it to the user, in one place, so that no library's English
// and no half sentence reaches a message box.

#include "mail/ServerAddress.h"

#include <QByteArray>
#include <QString>

namespace nmail {

struct MailFailure {
    enum class Kind {
        None,
        Unreachable,  // no connection could be made
        Timeout,      // the server went silent
        Closed,       // the server hung up
        Tls,          // the TLS handshake failed
        Untrusted,    // the server's certificate is not trusted
        PinChanged,   // the server showed another certificate than the one trusted for it
        LineTooLong,  // a reply line without end
        Oversized,    // an answer far larger than announced
        TooSlow,      // the server sends, but too little to ever finish
        Abandoned,    // the reader took no more of an answer (it could not keep it)
    };

    Kind kind = Kind::None;
    MailProtocol protocol = MailProtocol::Pop3;
    QString server;   // "host:port"
    QString detail;   // the socket's or the TLS layer's reason, passed on as it is

    bool failed() const { return kind != Kind::None; }
};

}  // namespace nmail
