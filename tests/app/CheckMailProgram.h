#pragma once
// The program as main() puts it together for a mail check against the test servers: a temporary
// program folder, scripted seams and the POP3 server set; the windows are loaded on first use.

#include "app/Forms.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"
#include "store/HistoryFile.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <memory>

struct CheckMailProgram {
    explicit CheckMailProgram(const QString& pop3Server) { state.account.Pop3Server = pop3Server; }

    // A program checking server whose stored account is user with the test servers' password of
    // passwordOf (the user's own by default); null when the account could not be stored.
    static std::unique_ptr<CheckMailProgram> withAccount(const QString& server, const QString& user,
                                                         const QString& passwordOf = {})
    {
        auto program = std::make_unique<CheckMailProgram>(server);
        const QString password = MailServers::password(passwordOf.isEmpty() ? user : passwordOf);
        return SaveAccount(program->program.folder(), user, password, true).ok ? std::move(program) : nullptr;
    }

    // The mail layer trusts the test servers' CA and waits long enough for a busy machine.
    static void useTestServers(const MailServers& servers)
    {
        nmail::options().caFile = servers.caFile();
        nmail::options().timeout = std::chrono::seconds(10);
    }

    // The user agreed to send the password unencrypted to server (a scripted one without TLS).
    void allowUnencryptedLogin(const QString& server) const
    {
        useTrustedCertificatesOf(program.folder());
        nmail::NMailAllowUnencryptedLogin(server);
    }

    // Every record of the received history, in order.
    QList<store::HistoryRecord> receivedRecords() const
    {
        QList<store::HistoryRecord> records;
        const QString path = store::historyPath(program.folder(), store::HistoryKind::Received);
        for (int n = 1; n <= store::recordCount(path); ++n)
            records.append(*store::readRecord(path, n));
        return records;
    }

    // The texts of every message box shown, in order.
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const ShownMessage& shown : seams.messages.shown)
            texts.append(shown.text);
        return texts;
    }

    TempProgramFolder program;
    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state{program.folder()};
    Forms forms{state, seams.seams(), files};
};
