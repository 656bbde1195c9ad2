// The floor under any POP3 client: one STLS session that logs in, asks for every mail at once
// (pipelined RETR), throws the bytes away, deletes them all and quits. Nothing is parsed, stored
// or written; what is left is the server's sending, TLS and the socket. run-pop3-bench.sh reports
// "受信" as a multiple of this.
//
//   pop3_floor_bench SERVERS_ENV USER        prints the time and the bytes taken

#include "mail/net/LineStream.h"

#include "ServersEnv.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using nmail::LineStream;

namespace {

bool ok(LineStream& stream)
{
    const std::optional<QByteArray> line = stream.readLine();
    return line && line->startsWith("+OK");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pop3_floor_bench SERVERS_ENV USER\n");
        return 2;
    }
    const auto env = readServersEnv(QString::fromLocal8Bit(argv[1]));
    const QByteArray user = argv[2];
    nmail::ConnectionSettings settings;
    settings.caFile = QString::fromUtf8(env.value("CA_FILE"));
    const auto server = nmail::ServerAddress::parse(QStringLiteral("127.0.0.1:") + QString::fromUtf8(env.value("POP3_PORT")),
                                                    nmail::MailProtocol::Pop3);
    QElapsedTimer timer;
    timer.start();
    LineStream stream(*server, nmail::MailProtocol::Pop3, settings);
    QByteArray listing;
    bool logged = stream.open() && ok(stream);
    if (logged) {
        stream.write("STLS");
        logged = ok(stream) && stream.startTls();
    }
    if (logged) {
        stream.write("USER " + user);
        stream.write("PASS secret-" + user);
        logged = ok(stream) && ok(stream);
    }
    if (logged) {
        stream.write("LIST");
        logged = ok(stream) && stream.readMultiline(listing, 64 * 1024 * 1024);
    }
    if (!logged) {
        std::fprintf(stderr, "cannot log in: %s\n", qPrintable(stream.error()));
        return 1;
    }
    const int count = int(listing.count('\n'));
    for (int n = 1; n <= count; ++n)
        stream.write("RETR " + QByteArray::number(n));
    qint64 bytes = 0;
    for (int n = 1; n <= count; ++n) {
        if (!ok(stream) || !stream.readMultiline([&](const char*, qsizetype size) { return (bytes += size), true; })) {
            std::fprintf(stderr, "mail %d: %s\n", n, qPrintable(stream.error()));
            return 1;
        }
    }
    for (int n = 1; n <= count; ++n)
        stream.write("DELE " + QByteArray::number(n));
    for (int n = 1; n <= count; ++n)
        ok(stream);
    stream.write("QUIT");
    ok(stream);
    std::printf("floor: %d mails (%lld bytes) fetched and deleted in %.2f s\n", count, bytes, timer.nsecsElapsed() / 1e9);
    return 0;
}
