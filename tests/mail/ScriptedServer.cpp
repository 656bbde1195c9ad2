#include "ScriptedServer.h"

#include "LoopbackSockets.h"

#include <QMutexLocker>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {
// No script step waits longer than this for the client, so a broken case cannot hang the suite.
constexpr int StepTimeoutMs = 15000;

bool waitReadable(int socket, int timeoutMs)
{
    pollfd p{socket, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}
}  // namespace

ScriptedServer::ScriptedServer(QList<QByteArrayList> connections) : connections_(std::move(connections))
{
    listener_ = loopback::listen(port_);
    thread_ = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);  // wakes a wait for a connection that will not come
    if (thread_.joinable())
        thread_.join();
    ::close(listener_);
}

void ScriptedServer::serve()
{
    for (const QByteArrayList& script : std::as_const(connections_)) {
        if (!waitReadable(listener_, StepTimeoutMs) || stopping_) {
            note(QStringLiteral("the client did not connect"));
            return;
        }
        const int socket = ::accept(listener_, nullptr, nullptr);
        pending_.clear();
        play(socket, script);
        ::close(socket);
    }
}

void ScriptedServer::play(int socket, const QByteArrayList& script)
{
    using namespace std::chrono_literals;
    for (const QByteArray& step : script) {
        const QByteArray text = step.mid(3);
        if (step.startsWith("S: ")) {
            loopback::sendAll(socket, text + "\r\n");
        } else if (step.startsWith("P: ")) {
            loopback::sendAll(socket, text);
            std::this_thread::sleep_for(30ms);
        } else if (step.startsWith("C: ")) {
            QByteArray line;
            if (!readLine(socket, line) || !line.startsWith(text)) {
                note(QStringLiteral("expected \"%1\", got \"%2\"").arg(QString::fromLatin1(text), QString::fromLatin1(line)));
                return;
            }
        } else if (step == "DATA") {
            QByteArray line;
            while (readLine(socket, line) && line != ".") {
            }
        } else if (step == "DROP") {
            return;
        } else if (step == "STALL") {
            char sink[4096];
            while (!stopping_ && waitReadable(socket, StepTimeoutMs) && ::recv(socket, sink, sizeof sink, 0) > 0) {
            }
            return;
        }
    }
}

bool ScriptedServer::readLine(int socket, QByteArray& line)
{
    while (!pending_.contains("\r\n")) {
        char chunk[4096];
        if (!waitReadable(socket, StepTimeoutMs))
            return false;
        const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        pending_.append(chunk, n);
    }
    const qsizetype end = pending_.indexOf("\r\n");
    line = pending_.left(end);
    pending_.remove(0, end + 2);
    QMutexLocker lock(&mutex_);
    received_.append(line);
    return true;
}

void ScriptedServer::note(const QString& problem)
{
    QMutexLocker lock(&mutex_);
    if (mismatch_.isEmpty())
        mismatch_ = problem;
}

QByteArrayList ScriptedServer::received()
{
    if (thread_.joinable())
        thread_.join();
    QMutexLocker lock(&mutex_);
    return received_;
}

bool ScriptedServer::sentLineStartingWith(std::initializer_list<QByteArray> starts)
{
    const QByteArrayList lines = received();
    return std::any_of(lines.begin(), lines.end(), [&](const QByteArray& line) {
        return std::any_of(starts.begin(), starts.end(), [&](const QByteArray& start) { return line.startsWith(start); });
    });
}

QString ScriptedServer::mismatch()
{
    if (thread_.joinable())
        thread_.join();
    QMutexLocker lock(&mutex_);
    return mismatch_;
}
