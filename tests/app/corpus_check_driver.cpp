// Runs the real mail check once per given mail: delivers the mail into the test Dovecot, presses
// "受信" in a program whose folder is the one given, and writes one JSON line per mail to the
// manifest: the records it added, the messages shown, the mails left on the server. The corpus
// script (tests/mail/corpus/corpus_check.py) judges the records against Python's email package.
//
//   corpus_check_driver PROGRAM_FOLDER USER MANIFEST MAIL...

#include "app/CheckMail.h"
#include "store/HistoryFile.h"
#include "DriverProgram.h"

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
    const QString user = args[2];
    QDir(args[1]).removeRecursively();
    const std::unique_ptr<DriverProgram> program = DriverProgram::in(args[1], user);
    if (!program)
        return 2;
    const MailServers servers;
    ScriptedSeams& seams = program->seams;
    Forms& forms = program->forms;
    const ProgramState& state = program->state;

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
