#pragma once
// The two settings files of the program folder.
//
// "zelvin.ini" (program folder): four CR LF lines "SMTP=", "POP3=", "MAIL=", "APOP=" each
// followed by its value, code page 932, written whole by the program.
// "★MailData\iniIdPass.ini": section "EXEINI" with "NAME" (user ID), "NAME2" (password) and
// "NAME3" (the last state of the ID/password window's save box), via private-profile calls.

#include "platform/ProgramFolder.h"
#include "settings/AccountSettings.h"

#include <QString>

inline constexpr const char16_t* MainSettingsPath = u"\\zelvin.ini";
inline constexpr const char16_t* AccountFilePath = u"\\★MailData\\iniIdPass.ini";

// The text without CR, LF and NUL: a value of a settings file is one line, and other readers end
// it at a NUL. The settings windows take their boxes over through this, so that what is kept in
// memory is what the files hold.
QString SingleLineValue(const QString& text);

// Fills SmtpServer, Pop3Server, MailAddress and UseApop from the main settings file. A missing
// file leaves the fields as they are.
void LoadMainSettings(AccountSettings& settings, const ProgramFolder& folder);

struct SaveResult {
    bool ok = true;
    QString error;  // what went wrong, for the user, when !ok
};

// Rewrites the main settings file from the four fields. The old file is replaced only once the
// new one is complete, so a failed save leaves the previous settings intact.
SaveResult SaveMainSettings(const AccountSettings& settings, const ProgramFolder& folder);

struct StoredAccount {
    QString userId;      // "NAME"
    QString password;    // "NAME2"
    QString saveChoice;  // "NAME3"
};

// Reads the account file; missing file or keys give empty texts.
StoredAccount ReadAccount(const ProgramFolder& folder);

enum class AccountFileAccess {
    Private,   // readable by its owner only, or not there
    Narrowed,  // others could read it; now only its owner can
    Open,      // others can read it and it could not be narrowed (error says why)
};

// Narrows the account file to its owner when group or others may read or write it: it holds the
// password, and a file copied, restored or written by hand keeps whatever mode it came with.
AccountFileAccess NarrowAccountFile(const ProgramFolder& folder, QString* error);

// The ID and password to log in with: those entered in the ID/password window in this run
// (a password the user chose not to store is used for this run all the same, never written),
// else the stored ones.
StoredAccount AccountInUse(const ProgramFolder& folder, const AccountSettings& account);

// With store: writes "NAME", "NAME2" and "NAME3" = "1". Without: writes only "NAME3" = "0" and
// leaves stored values alone. The file is kept readable by its owner only. A user ID or password
// that would not read back exactly as given (over 255 bytes in code page 932, or holding a
// character that code page cannot hold) is not stored: nothing is written and the error says
// which value and why.
SaveResult SaveAccount(const ProgramFolder& folder, const QString& userId,
                       const QString& password, bool store);
