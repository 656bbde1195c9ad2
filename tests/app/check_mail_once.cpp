// Presses "受信" once in a program whose folder is the one given, against the test Dovecot, and
// says on standard error what the check showed. The folder and the stored account are made on
// the first run. Meant to be killed at any moment by the kill loop (kill_loop.py).
//
//   check_mail_once PROGRAM_FOLDER USER

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "mail/MailOptions.h"
#include "settings/SettingsFiles.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"

#include <QApplication>
#include <QDir>
#include <QLabel>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: check_mail_once PROGRAM_FOLDER USER\n", stderr);
        return 2;
    }
    const MailServers servers;
    if (!servers.isUp()) {
        std::fputs("the test mail servers are not running\n", stderr);
        return 2;
    }
    const QDir folder(args[1]);
    if (!folder.mkpath(QStringLiteral("★MAilData")) || !folder.mkpath(QStringLiteral("添付フォルダ")))
        return 2;
    nmail::options().caFile = servers.caFile();
    nmail::options().timeout = std::chrono::seconds(20);

    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state{ProgramFolder(folder.absolutePath())};
    state.account.Pop3Server = servers.server("POP3_PORT");
    if (ReadAccount(state.folder).userId.isEmpty() && !SaveAccount(state.folder, args[2], MailServers::password(args[2]), true).ok)
        return 2;
    Forms forms{state, seams.seams(), files};
    CheckMail(forms);
    for (const ShownMessage& shown : seams.messages.shown)
        std::fprintf(stderr, "shown: %s\n", qPrintable(shown.text));
    std::printf("%s\n", qPrintable(forms.mainForm().Label2->text()));
    return 0;
}
