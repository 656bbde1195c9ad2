#pragma once
// Plain sockets on 127.0.0.1 for the test servers and proxies that run in threads of their own.

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace loopback {

// A listening socket on 127.0.0.1 at a free port, which goes to port.
inline int listen(int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), length);
    ::listen(listener, 4);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
    port = ntohs(addr.sin_port);
    return listener;
}

// Sends every byte unless the peer went away.
inline void sendAll(int socket, const QByteArray& bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(socket, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

}  // namespace loopback
