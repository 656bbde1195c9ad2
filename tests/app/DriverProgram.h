#pragma once
// The program as a test driver runs it in a process of its own, against the loopback test
// servers, in the program folder it was given (laid out when missing, with the user's stored
// account when it has none).

#include "app/Forms.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"

#include <QDir>

#include <cstdio>
#include <memory>

struct DriverProgram {
    explicit DriverProgram(const QString& folder) : state(ProgramFolder(folder)) {}

    // Null, with the reason on standard error, when the servers are not running or the folder
    // cannot be laid out.
    static std::unique_ptr<DriverProgram> in(const QString& folder, const QString& user)
    {
        const MailServers servers;
        if (!servers.isUp()) {
            std::fputs("the test mail servers are not running\n", stderr);
            return nullptr;
        }
        const QDir dir(folder);
        if (!dir.mkpath(QStringLiteral("★MAilData")) || !dir.mkpath(QStringLiteral("添付フォルダ"))) {
            std::fprintf(stderr, "cannot lay out the program folder %s\n", qPrintable(folder));
            return nullptr;
        }
        nmail::options().caFile = servers.caFile();
        nmail::options().timeout = std::chrono::seconds(20);
        auto program = std::make_unique<DriverProgram>(dir.absolutePath());
        program->state.account.Pop3Server = servers.server("POP3_PORT");
        if (ReadAccount(program->state.folder).userId.isEmpty()
            && !SaveAccount(program->state.folder, user, MailServers::password(user), true).ok)
            return nullptr;
        // The benchmarks also run the drivers over servers without TLS: the user agreed.
        useTrustedCertificatesOf(program->state.folder);
        nmail::NMailAllowUnencryptedLogin(program->state.account.Pop3Server);
        return program;
    }

    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state;
    Forms forms{state, seams.seams(), files};
};
