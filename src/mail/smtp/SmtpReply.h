#pragma once
// One SMTP reply (RFC 5321 §4.2): a three-digit code on every line, "-" after it on all but the
// last, and on most servers an RFC 3463 enhanced status code before the text.

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

namespace nmail {

struct SmtpReply {
    int code = 0;
    QByteArray enhanced;  // "5.7.8", empty when the server gives none
    QByteArrayList lines;  // the text of each line, code and enhanced code taken off

    // The code of one line and whether more lines follow; nullopt for a line that is no reply.
    struct LineHead {
        int code;
        bool more;
    };
    static std::optional<LineHead> head(const QByteArray& line);
    // Adds one line (already checked by head()).
    void add(const QByteArray& line);

    bool positive() const { return code >= 200 && code < 400; }
    // The last line as the server sent it, for the user to see.
    QByteArray text() const;
};

// What an EHLO answer offers.
struct SmtpCapabilities {
    bool startTls = false;
    bool pipelining = false;
    QByteArrayList auth;  // mechanism names, upper case
    qint64 sizeLimit = 0;  // SIZE n (RFC 1870); 0 when none is announced
    bool sizeKnown = false;

    static SmtpCapabilities parse(const SmtpReply& ehlo);
};

}  // namespace nmail
