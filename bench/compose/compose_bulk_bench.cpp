// Times a send from the compose window through the SMTP server named in SERVERS_ENV by PORT_KEY
// (STARTTLS, and AUTH with the account "bench"), with the sent-history record of every pass:
// a bulk send to COUNT address-book entries, one mail each, or with ATTACHMENT one mail carrying
// that file, for which it also tells how much the resident memory rose over what it was before.
//
//   compose_bulk_bench SERVERS_ENV PORT_KEY COUNT [ATTACHMENT]

#include "compose/AddressListPanel.h"
#include "compose/WriteForm.h"
#include "mail/MailOptions.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "store/AddressRecord.h"

#include "ServersEnv.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A /proc/self/status value in KiB ("VmRSS", "VmHWM").
qint64 statusKiB(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool writeBook(const QString& path, int count)
{
    QByteArray book;
    for (int i = 1; i <= count; ++i) {
        const QString address = QStringLiteral("bench%1@example.jp").arg(i, 3, 10, QChar(u'0'));
        book += store::AddressRecord::forEntry(QStringLiteral("宛先%1").arg(i), address).toBytes();
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(book) == book.size();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: compose_bulk_bench SERVERS_ENV PORT_KEY COUNT [ATTACHMENT]\n");
        return 2;
    }
    const auto env = readServersEnv(QString::fromLocal8Bit(argv[1]));
    const QByteArray portKey = argv[2];
    const int count = QByteArray(argv[3]).toInt();
    const QString attachment = argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString();
    QTemporaryDir program;
    QDir(program.path()).mkpath(QStringLiteral("★MAilData"));
    if (!writeBook(program.path() + QStringLiteral("/★MAilData/Devudiz20.data"), count))
        return 1;

    ProgramState state{ProgramFolder(program.path())};
    state.account.SmtpServer = QStringLiteral("127.0.0.1:") + QString::fromUtf8(env.value(portKey));
    state.account.MailAddress = QStringLiteral("tessa@example.jp");
    state.account.UserId = QStringLiteral("bench");
    state.account.Password = QStringLiteral("secret-bench");
    nmail::options().caFile = QString::fromUtf8(env.value("CA_FILE"));
    ScriptedSeams seams;
    ScriptedFileDialogs files;
    auto* form = new WriteForm(state, seams.seams(), files, {[] { return QStringLiteral("2026/12/08  9:30:05"); }, {}});
    form->SubjectText->setText(QStringLiteral("一斉送信の速さ"));
    form->setBodyText(QStringLiteral("一斉送信の速さを測るための本文です。\r\n").repeated(20));
    if (attachment.isEmpty()) {
        form->Command4->click();
        form->AddressPanel->Option2->click();
    } else {
        form->ToText->setText(QStringLiteral("bench001@example.jp"));
        form->AttachText->setText(attachment);
    }
    // The peak from here on: what was built before (the window, the libraries) does not count.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    clearRefs.close();
    const qint64 idle = statusKiB("VmRSS");

    QElapsedTimer timer;
    timer.start();
    form->Command1->click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double risenMiB = (statusKiB("VmHWM") - idle) / 1024.0;
    if (attachment.isEmpty())
        std::printf("tessaly: %d mails in %.3f s (%lld failed)\n", count, seconds,
                    static_cast<long long>(seams.messages.shown.size()));
    else
        std::printf("tessaly: 1 mail with the attachment in %.3f s, peak +%.1f MiB over idle (%lld failed)\n",
                    seconds, risenMiB, static_cast<long long>(seams.messages.shown.size()));
    delete form;
    return seams.messages.shown.isEmpty() ? 0 : 1;
}
