#pragma once
// Settings of the mail layer that the mail-library calls themselves do not carry: network
// timeouts, the certificate authorities to trust, the files of trusted certificates and of what
// each server offered, which ports speak TLS from the first byte, and the account used for SMTP
// AUTH. The program sets the SMTP account from its stored ID and password; tests also shorten
// the timeout and hand in their own test CA.

#include "mail/net/ConnectionSettings.h"

#include <QString>

#include <chrono>
#include <functional>
#include <set>

namespace nmail {

struct MailOptions {
    // Longest wait for a connection, a server reply or the next byte of a transfer.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    // The least a server must send of an answer in every window of that length (ConnectionSettings).
    std::chrono::milliseconds rateWindow{std::chrono::seconds(30)};
    qint64 rateFloorBytes = 4096;
    // PEM file of trusted CAs; empty means the system's trust store.
    QString caFile;
    // The file of certificates the user trusted for one server each (CertificateTrust.h); empty
    // means none is trusted beyond the CAs.
    QString trustFile;
    // The file that remembers which servers spoke TLS and where the user allowed an unencrypted
    // password (ServerSecurity.h); empty means nothing is remembered or allowed.
    QString securityFile;
    // Ports that speak TLS from the first byte; on every other port STARTTLS/STLS is used when
    // the server offers it.
    std::set<int> implicitTlsPorts{995, 465};
    // The account for SMTP AUTH, used whenever the server offers AUTH.
    QString smtpUserId;
    QString smtpPassword;
    // Told the path and inode of every file the attachment expansion is about to name (once its
    // content is complete): a caller that must be able to undo an unfinished mail notes it.
    std::function<void(const QString& path, quint64 inode)> fileNaming;
    // Where a received mail too large to hold in memory waits while it is read: an unnamed file
    // of this folder (the attachment folder, where it may be kept). Empty: in memory.
    QString spoolFolder;
};

// What a connection is handed of the options.
ConnectionSettings connectionSettings();

// The options every later call uses. Not thread-safe: set them before mail work starts.
MailOptions& options();

}  // namespace nmail
