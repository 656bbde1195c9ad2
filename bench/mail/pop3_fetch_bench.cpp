// Fetching and deleting a mailbox of many mails through the mail library, the way the mail check
// calls it (status, size, text, attachment expansion, delete; one close at the end).
//
//   pop3_fetch_bench inject SERVERS_ENV USER COUNT [KB]   drop COUNT mails of about KB kilobytes
//                                                         (default 2: Japanese text only; larger
//                                                         ones carry a binary attachment)
//   pop3_fetch_bench inject-text SERVERS_ENV USER MB      drop one plain-text mail of MB megabytes
//   pop3_fetch_bench fetch SERVERS_ENV USER               fetch and delete them all, print the time

#include "mail/MailOptions.h"
#include "mail/NMailSession.h"

#include "ServersEnv.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray japaneseText(qsizetype bytes)
{
    QStringEncoder jis("ISO-2022-JP");
    QByteArray text;
    while (text.size() < bytes)
        text += jis(QStringLiteral("受信の速さを測るための本文です。①～\r\n"));
    return text;
}

// A Japanese mail of about kilobytes KB, numbered so every one is different: 2 KB of text, and
// beyond that a base64 attachment of bytes that differ from mail to mail (a photo, say).
QByteArray sampleMail(int number, int kilobytes)
{
    const QByteArray head = "From: bench@example.jp\r\nTo: bench@example.jp\r\nSubject: bench " + QByteArray::number(number) +
                            "\r\nDate: Tue, 08 Dec 2026 09:30:05 +0900\r\nMessage-ID: <bench." + QByteArray::number(number) +
                            "@example.jp>\r\nMIME-Version: 1.0\r\n";
    if (kilobytes <= 2)
        return head + "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
               japaneseText(1700);
    QByteArray data((kilobytes - 2) * 1024 * 3 / 4, '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + number) % 251);
    const QByteArray b64 = data.toBase64();
    QByteArray lines;
    for (qsizetype i = 0; i < b64.size(); i += 76)
        lines += b64.mid(i, 76) + "\r\n";
    return head + "Content-Type: multipart/mixed; boundary=\"----=_Part_4711_20261208.0930\"\r\n\r\n"
                  "------=_Part_4711_20261208.0930\r\n"
                  "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + japaneseText(1700) +
           "------=_Part_4711_20261208.0930\r\nContent-Type: image/jpeg; name=\"photo.jpg\"\r\nContent-Disposition: attachment; "
           "filename=\"photo.jpg\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + lines + "------=_Part_4711_20261208.0930--\r\n";
}

// A plain Japanese text of about megabytes MB, with line ends as a server stores them.
QByteArray textMail(int megabytes)
{
    return "From: bench@example.jp\r\nTo: bench@example.jp\r\nSubject: bench text\r\n"
           "Date: Tue, 08 Dec 2026 09:30:05 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
           japaneseText(qsizetype(megabytes) * 1024 * 1024);
}

int inject(const QHash<QByteArray, QByteArray>& env, const QString& user, int count, const std::function<QByteArray(int)>& mail)
{
    const QString maildir = QString::fromUtf8(env.value("HOME_DIR")) + u'/' + user + QStringLiteral("/Maildir");
    // Names differ from one injection to the next: Dovecot remembers the names it has seen.
    const qint64 batch = QDateTime::currentMSecsSinceEpoch();
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("%1.%2.bench").arg(batch).arg(i, 6, 10, QChar(u'0'));
        QFile f(maildir + QStringLiteral("/tmp/") + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(mail(i)) < 0)
            return 1;
        f.close();
        QFile::rename(f.fileName(), maildir + QStringLiteral("/new/") + name);
    }
    return 0;
}

int fetchAll(const QHash<QByteArray, QByteArray>& env, const QString& user)
{
    using namespace nmail;
    NMailInitializeWinSock();
    NMailSetOption(1, 8192);
    options().caFile = QString::fromUtf8(env.value("CA_FILE"));
    // A large mail waits in a file, as in the program (where it is the attachment folder).
    const QTemporaryDir spool;
    options().spoolFolder = spool.path();
    std::vector<char> subject(8192), date(8192), sender(8192), header(8192), text;
    QElapsedTimer timer;
    timer.start();
    const int handle = NMailPop3Connect("127.0.0.1:" + env.value("POP3_PORT").toStdString());
    const int count = handle < 0 ? -1
        : NMailPop3Authenticate(handle, user.toStdString(), "secret-" + user.toStdString(), 0);
    if (count < 0) {
        std::vector<char> reason(8192);
        int length = 8192;
        NMailGetMessage(0, reason, length);
        std::fprintf(stderr, "login failed: %s\n", reason.data());
        return 1;
    }
    for (int n = 1; n <= count; ++n) {
        NMailPop3GetMailStatus(handle, n, subject, date, sender, header, 0);
        text.assign(static_cast<size_t>(NMailPop3GetMailSize(handle, n)) + 1, '\0');
        NMailPop3GetMail(handle, n, subject, date, sender, header, text, 0, 0);
        NMailAttachmentFileFirst(0, subject, date, sender, header, text, "/nonexistent/", "", {}, 0);
        NMailAttachmentFileClose(0);
        NMailPop3DeleteMail(handle, n);
    }
    NMailPop3Close(handle);
    std::printf("mail library: %d mails fetched and deleted in %.2f s\n", count, timer.nsecsElapsed() / 1e9);
    NMailEndWinSock();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 5 && args[1] == QStringLiteral("inject")) {
        const int kilobytes = args.value(5, QStringLiteral("2")).toInt();
        return inject(readServersEnv(args[2]), args[3], args[4].toInt(), [&](int n) { return sampleMail(n, kilobytes); });
    }
    if (args.size() >= 5 && args[1] == QStringLiteral("inject-text"))
        return inject(readServersEnv(args[2]), args[3], 1, [&](int) { return textMail(args[4].toInt()); });
    if (args.size() >= 4 && args[1] == QStringLiteral("fetch"))
        return fetchAll(readServersEnv(args[2]), args[3]);
    std::fprintf(stderr, "usage: pop3_fetch_bench inject ENV USER COUNT [KB] | inject-text ENV USER MB | fetch ENV USER\n");
    return 2;
}
