#pragma once
// The one mail account of the program, alive for the whole run. The server settings window and
// the ID/password window write it; the mail check and the senders read it.

#include <QString>
#include <cstdint>

struct AccountSettings {
    QString SmtpServer;
    QString Pop3Server;  // empty: no account configured yet
    QString MailAddress;
    std::int16_t UseApop = 0;  // 0 plain login, non-zero APOP
    QString UserId;
    QString Password;
    // The ID and password were taken over from the ID/password window in this run, stored or
    // not: they are the ones to log in with (AccountInUse), not what the account file holds.
    bool EnteredThisRun = false;
};
