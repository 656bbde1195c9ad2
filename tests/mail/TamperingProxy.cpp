#include "TamperingProxy.h"

#include <QByteArrayList>
#include "LoopbackSockets.h"

#include <QMutexLocker>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// No connection is relayed longer than this, so a broken case cannot hang the suite.
constexpr int IdleMs = 15000;


int connectTo(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

bool isTlsOffer(const QByteArray& line)
{
    const QByteArray upper = line.trimmed().toUpper();
    return upper == "STLS" || upper.mid(4) == "STARTTLS";
}
}  // namespace

TamperingProxy::TamperingProxy(int targetPort) : targetPort_(targetPort)
{
    listener_ = loopback::listen(port_);
    thread_ = std::thread([this] { serve(); });
}

TamperingProxy::~TamperingProxy()
{
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
}

QByteArray TamperingProxy::fromClient()
{
    QMutexLocker lock(&mutex_);
    return fromClient_;
}

void TamperingProxy::serve()
{
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        relay(client);
        ::close(client);
    }
}

QByteArray TamperingProxy::clientLines(QByteArray& pending, int client)
{
    QByteArray onward;
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
        const QByteArray line = pending.left(end + 1);
        pending.remove(0, end + 1);
        const QByteArray command = line.trimmed().toUpper();
        const Mode mode = mode_;
        if (mode == Mode::RefuseTls && command == "STLS")
            loopback::sendAll(client, "-ERR TLS not available\r\n");
        else if (mode == Mode::RefuseTls && command == "STARTTLS")
            loopback::sendAll(client, "454 4.7.0 TLS not available due to temporary reason\r\n");
        else if (mode == Mode::Demand530 && command.startsWith("MAIL FROM"))
            loopback::sendAll(client, "530 5.7.0 Authentication required\r\n");
        else
            onward += line;
    }
    return onward;
}

QByteArray TamperingProxy::serverLines(QByteArray& pending)
{
    if (mode_ == Mode::RefuseTls) {
        QByteArray all;
        std::swap(all, pending);
        return all;
    }
    QByteArray onward;
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
        const QByteArray line = pending.left(end + 1);
        pending.remove(0, end + 1);
        const bool smtp = line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                          (line[3] == '-' || line[3] == ' ');
        if (!smtp) {
            if (!isTlsOffer(line))
                onward += line;  // a POP3 CAPA line
            continue;
        }
        // An SMTP reply is held until its last line, so that the one that ends it can be rebuilt.
        smtpReply_.append(line);
        if (line[3] == '-')
            continue;
        QByteArrayList kept;
        const bool ehlo = smtpReply_.size() > 1 && smtpReply_.first().startsWith("250");
        for (const QByteArray& l : std::as_const(smtpReply_)) {
            if (!isTlsOffer(l) && !(ehlo && l.mid(4).trimmed().toUpper().startsWith("AUTH")))
                kept.append(l);
        }
        if (ehlo)
            kept.append("250 AUTH PLAIN LOGIN\r\n");
        for (qsizetype i = 0; i < kept.size(); ++i)
            kept[i][3] = i + 1 < kept.size() ? '-' : ' ';
        onward += kept.join();
        smtpReply_.clear();
    }
    return onward;
}

void TamperingProxy::relay(int client)
{
    const int server = connectTo(targetPort_);
    if (server < 0)
        return;
    QByteArray fromC, fromS;
    smtpReply_.clear();
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    while (!stopping_ && ::poll(fds, 2, IdleMs) > 0) {
        char chunk[16384];
        bool closed = false;
        for (int side = 0; side < 2; ++side) {
            if (!(fds[side].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(fds[side].fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                closed = true;
                break;
            }
            const QByteArray bytes(chunk, n);
            const bool relayOnly = mode_ == Mode::Relay;
            if (side == 0) {
                QMutexLocker lock(&mutex_);
                fromClient_ += bytes;
            }
            if (relayOnly) {
                loopback::sendAll(fds[1 - side].fd, bytes);
            } else if (side == 0) {
                fromC += bytes;
                loopback::sendAll(server, clientLines(fromC, client));
            } else {
                fromS += bytes;
                loopback::sendAll(client, serverLines(fromS));
            }
        }
        if (closed)
            break;
    }
    ::close(server);
}
