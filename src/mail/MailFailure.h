#pragma once
// Why a mail operation failed, as a kind and the server's own words. The engines say what
// happened; MailFailureText.h says it to the user, in one place, so that no library's English
// and no half sentence reaches a message box.

#include "mail/ServerAddress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace nmail {

struct MailFailure {
    enum class Kind {
        None,
        // The connection is over.
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
        Protocol,     // a reply that is no reply of the protocol
        TlsRefused,   // STLS/STARTTLS offered, then refused: someone may have answered instead
        Downgrade,    // no TLS from a server that spoke TLS before
        // Nothing was sent for it; the session could go on.
        ConsentNeeded,  // the password would go unencrypted and the user has not agreed
        OAuthRequired,  // the server takes only OAuth 2.0 or an app password
        NoApop,         // APOP chosen, the server greets without a timestamp
        TooLarge,       // the mail is larger than the server takes (SIZE)
        Local,          // the program's own trouble (a file), said in detail
        // The server said no.
        Refused,            // a command refused
        Authentication,     // the login refused
        RecipientsRefused,  // some or all recipients refused
    };

    Kind kind = Kind::None;
    MailProtocol protocol = MailProtocol::Pop3;
    QString server;       // "host:port"
    QString detail;       // the socket's or the TLS layer's reason, passed on as it is
    QByteArray reply;     // the server's reply line (the last line of an SMTP reply)
    QByteArray code;      // POP3 response code (RFC 2449/3206: "IN-USE", "SYS/TEMP"), upper case
    int smtpCode = 0;     // SMTP reply code
    QByteArray enhanced;  // SMTP enhanced status code ("5.7.8")
    qint64 mailSize = 0;  // TooLarge: the mail's size and the server's limit in bytes
    qint64 sizeLimit = 0;
    QStringList refused;   // RecipientsRefused: each refused address with the server's reply
    QStringList accepted;  // the recipients that got the mail

    static MailFailure of(Kind kind, MailProtocol protocol, const QString& server, const QString& detail = {})
    {
        MailFailure f;
        f.kind = kind;
        f.protocol = protocol;
        f.server = server;
        f.detail = detail;
        return f;
    }

    bool failed() const { return kind != Kind::None; }
};

}  // namespace nmail
