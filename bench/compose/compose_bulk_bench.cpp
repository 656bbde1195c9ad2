// Times a bulk send from the compose window: COUNT address-book entries, one mail each, through
// the SMTP server named in SERVERS_ENV, with the sent-history record of every pass.
//
//   compose_bulk_bench SERVERS_ENV COUNT

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: compose_bulk_bench SERVERS_ENV COUNT\n");
        return 2;
    }
    const auto env = readServersEnv(QString::fromLocal8Bit(argv[1]));
    const int count = QByteArray(argv[2]).toInt();
    QTemporaryDir program;
    QDir(program.path()).mkpath(QStringLiteral("★MAilData"));
    if (!writeBook(program.path() + QStringLiteral("/★MAilData/Devudiz20.data"), count))
        return 1;

    ProgramState state{ProgramFolder(program.path())};
    state.account.SmtpServer = QStringLiteral("127.0.0.1:") + QString::fromUtf8(env.value("SMTP_PORT"));
    state.account.MailAddress = QStringLiteral("tessa@example.jp");
    nmail::options().caFile = QString::fromUtf8(env.value("CA_FILE"));
    ScriptedSeams seams;
    ScriptedFileDialogs files;
    auto* form = new WriteForm(state, seams.seams(), files, {[] { return QStringLiteral("2026/12/08  9:30:05"); }, {}});
    form->SubjectText->setText(QStringLiteral("一斉送信の速さ"));
    form->setBodyText(QStringLiteral("一斉送信の速さを測るための本文です。\r\n").repeated(20));
    form->Command4->click();
    form->AddressPanel->Option2->click();

    QElapsedTimer timer;
    timer.start();
    form->Command1->click();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("bulk send: %d mails in %.2f s (%lld failed)\n", count, seconds,
                static_cast<long long>(seams.messages.shown.size()));
    delete form;
    return seams.messages.shown.isEmpty() ? 0 : 1;
}
