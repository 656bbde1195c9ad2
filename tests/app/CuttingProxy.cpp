#include "CuttingProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

struct CuttingProxy::Link {
    // Indexed by Direction: where its bytes come from and where they go.
    int source[2];
    int sink[2];
    bool ended[2] = {false, false};
    // The last bytes that went by in each direction, for a marker split over two reads.
    QByteArray tail[2] = {};
};

namespace {

int loopbackSocket(int port, bool listen)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto* a = reinterpret_cast<const sockaddr*>(&address);
    const bool ok = listen ? ::bind(fd, a, sizeof address) == 0 && ::listen(fd, 16) == 0
                           : ::connect(fd, a, sizeof address) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const char* data, qint64 size)
{
    while (fd >= 0 && size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return;  // the receiver is gone; what it would have read does not matter
        data += sent;
        size -= sent;
    }
}

}  // namespace

CuttingProxy::CuttingProxy(int targetPort) : targetPort_(targetPort)
{
    listener_ = loopbackSocket(0, true);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.sin_port);
    ::fcntl(listener_, F_SETFL, O_NONBLOCK);
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe_[0] = wakePipe_[1] = -1;
    thread_ = std::thread([this] { loop(); });
}

CuttingProxy::~CuttingProxy()
{
    stop_ = true;
    wake();
    thread_.join();
    for (Link* link : links_) {
        for (int fd : link->source)
            if (fd >= 0)
                ::close(fd);
        delete link;
    }
    ::close(listener_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void CuttingProxy::wake()
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(wakePipe_[1], &byte, 1);
}

void CuttingProxy::arm(Direction direction, std::optional<qint64> offset)
{
    std::lock_guard lock(mutex_);
    direction_ = direction;
    offset_ = offset;
    marker_.clear();
    run_ = {};
}

void CuttingProxy::armAfter(Direction direction, const QByteArray& marker)
{
    arm(direction, std::nullopt);
    std::lock_guard lock(mutex_);
    marker_ = marker;
}

CuttingProxy::Run CuttingProxy::finish()
{
    std::unique_lock lock(mutex_);
    finishing_ = true;
    wake();
    run_.settled = idle_.wait_for(lock, std::chrono::seconds(15), [this] { return !finishing_; });
    finishing_ = false;
    return run_;
}

void CuttingProxy::acceptAll()
{
    for (;;) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        const int server = loopbackSocket(targetPort_, false);
        if (server < 0) {
            ::close(client);
            continue;
        }
        ++run_.connections;
        links_.push_back(new Link{{server, client}, {client, server}});
    }
}

void CuttingProxy::cut(Link& link)
{
    run_.cut = true;
    // The client learns at once; the server is told by an orderly close and then drained until
    // it closes too, which it does only after it has finished with the session.
    const int client = link.source[ClientToServer];
    ::close(client);
    ::shutdown(link.source[ServerToClient], SHUT_WR);
    link.source[ClientToServer] = link.sink[ServerToClient] = -1;
    link.ended[ClientToServer] = true;
}

bool CuttingProxy::pump(Link& link, Direction direction)
{
    char buffer[16384];
    const ssize_t got = ::recv(link.source[direction], buffer, sizeof buffer, 0);
    if (got <= 0) {
        link.ended[direction] = true;
        if (link.sink[direction] >= 0)
            ::shutdown(link.sink[direction], SHUT_WR);
    } else {
        if (!marker_.isEmpty() && !offset_ && direction == direction_)
            findMarker(link, direction, QByteArray::fromRawData(buffer, got));
        qint64 pass = got;
        // An offset's cut comes with the byte at the offset; a marker's as soon as it has passed.
        const qint64 reach = run_.bytes[direction] + got;
        const bool cutting = offset_ && !run_.cut && direction == direction_
            && (reach > *offset_ || (!marker_.isEmpty() && reach == *offset_));
        if (cutting)
            pass = *offset_ - run_.bytes[direction];
        sendAll(link.sink[direction], buffer, pass);
        run_.bytes[direction] += pass;
        if (cutting)
            cut(link);
    }
    return !(link.ended[0] && link.ended[1]);
}

void CuttingProxy::findMarker(Link& link, Direction direction, const QByteArray& received)
{
    QByteArray& tail = link.tail[direction];
    const QByteArray seen = tail + received;
    const qsizetype at = seen.indexOf(marker_);
    if (at >= 0)
        offset_ = run_.bytes[direction] + (at + marker_.size() - tail.size());
    else
        tail = seen.right(marker_.size() - 1);
}

void CuttingProxy::loop()
{
    while (!stop_) {
        std::vector<pollfd> polled{{wakePipe_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        std::vector<std::pair<Link*, Direction>> owners{{nullptr, ServerToClient}, {nullptr, ServerToClient}};
        {
            std::lock_guard lock(mutex_);
            for (Link* link : links_)
                for (Direction d : {ServerToClient, ClientToServer})
                    if (!link->ended[d]) {
                        polled.push_back({link->source[d], POLLIN, 0});
                        owners.emplace_back(link, d);
                    }
        }
        ::poll(polled.data(), polled.size(), 1000);
        std::lock_guard lock(mutex_);
        char drained[64];
        while (::read(wakePipe_[0], drained, sizeof drained) > 0) {
        }
        std::vector<Link*> finished;
        for (size_t i = 2; i < polled.size(); ++i) {
            auto [link, direction] = owners[i];
            if ((polled[i].revents & (POLLIN | POLLHUP | POLLERR)) && !link->ended[direction]
                && !pump(*link, direction))
                finished.push_back(link);
        }
        for (Link* link : finished) {
            for (int fd : link->source)
                if (fd >= 0)
                    ::close(fd);
            std::erase(links_, link);
            delete link;
        }
        acceptAll();
        if (finishing_ && links_.empty()) {
            finishing_ = false;
            idle_.notify_all();
        }
    }
}
