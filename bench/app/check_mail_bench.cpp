// The whole mail check ("受信") of a full mailbox, as the program runs it: every mail fetched,
// its attachments expanded, its record written and flushed to disk, then deleted on the server.
// The main window and the viewer exist but stay hidden (offscreen platform).
//
//   check_mail_bench SERVERS_ENV USER      prints the time and the number of records stored

#include "app/CheckMail.h"
#include "app/Forms.h"
#include "mail/MailOptions.h"
#include "platform/FileDialogs.h"
#include "platform/QtSeams.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"
#include "ServersEnv.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Message boxes would wait for a person; the benchmark counts them instead.
class CountingMessages final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget*, const QString& text, const QString&, MessageButtons, MessageIcon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MessageAnswer::Ok;
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: check_mail_bench SERVERS_ENV USER\n");
        return 2;
    }
    const auto env = readServersEnv(QString::fromLocal8Bit(argv[1]));
    const QString user = QString::fromLocal8Bit(argv[2]);
    nmail::options().caFile = QString::fromUtf8(env.value("CA_FILE"));

    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("★MAilData"));
    QDir(folder.path()).mkpath(QStringLiteral("添付フォルダ"));
    QtSeams platform;
    CountingMessages messages;
    QtFileDialogs files;
    ProgramState state{ProgramFolder(folder.path())};
    state.account.Pop3Server = QStringLiteral("127.0.0.1:") + QString::fromUtf8(env.value("POP3_PORT"));
    SaveAccount(state.folder, user, QStringLiteral("secret-") + user, true);
    Forms forms(state, Seams{messages, platform.clock, platform.random, platform.beeper, platform.browser}, files);

    // The button is pressed on a main window that is already there.
    forms.mainForm();
    QElapsedTimer timer;
    timer.start();
    CheckMail(forms);
    const double seconds = timer.elapsed() / 1000.0;
    const int records = store::recordCount(store::historyPath(state.folder, store::HistoryKind::Received));
    std::printf("tessaly 受信: %d mails fetched, stored and deleted in %.2f s\n", records, seconds);
    return 0;
}
