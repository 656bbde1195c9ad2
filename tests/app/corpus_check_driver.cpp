// Runs the real mail check once per given mail: delivers the mail into the test Dovecot, presses
// "受信" in a program whose folder is the one given, and writes one JSON line per mail to the
// manifest: the records it added, the messages shown, the mails left on the server. The corpus
// script (tests/mail/corpus/corpus_check.py) judges the records against Python's email package.
//
//   corpus_check_driver PROGRAM_FOLDER USER MANIFEST MAIL...

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "mail/MailOptions.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"
#include "MailServers.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fputs("usage: corpus_check_driver PROGRAM_FOLDER USER MANIFEST MAIL...\n", stderr);
        return 2;
    }
    const MailServers servers;
    if (!servers.isUp()) {
        std::fputs("the test mail servers are not running\n", stderr);
        return 2;
    }
    const QString user = args[2];
    QDir folder(args[1]);
    folder.removeRecursively();
    if (!folder.mkpath(QStringLiteral("★MAilData")) || !folder.mkpath(QStringLiteral("添付フォルダ"))) {
        std::fprintf(stderr, "cannot create the program folder %s\n", qPrintable(args[1]));
        return 2;
    }
    nmail::options().caFile = servers.caFile();
    nmail::options().timeout = std::chrono::seconds(20);

    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state{ProgramFolder(folder.absolutePath())};
    state.account.Pop3Server = servers.server("POP3_PORT");
    Forms forms{state, seams.seams(), files};
    if (!SaveAccount(state.folder, user, MailServers::password(user), true).ok)
        return 2;

    QFile manifest(args[3]);
    if (!manifest.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    const QString history = store::historyPath(state.folder, store::HistoryKind::Received);
    for (const QString& path : args.mid(4)) {
        servers.empty(user);
        servers.deliver(user, readFile(path));
        const int before = store::recordCount(history);
        const qsizetype shownBefore = seams.messages.shown.size();
        CheckMail(forms);
        QJsonArray records;
        for (int n = before + 1; n <= store::recordCount(history); ++n)
            records.append(n);
        QJsonArray shown;
        for (qsizetype i = shownBefore; i < seams.messages.shown.size(); ++i)
            shown.append(seams.messages.shown[i].text);
        const QJsonObject line{{QStringLiteral("file"), path},
                               {QStringLiteral("records"), records},
                               {QStringLiteral("messages"), shown},
                               {QStringLiteral("left_on_server"), int(servers.mails(user).size())}};
        manifest.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    }
    return manifest.flush() ? 0 : 1;
}
