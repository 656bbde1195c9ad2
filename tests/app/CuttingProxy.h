#pragma once
// A loopback TCP proxy that breaks a connection at a chosen byte: the program talks to the
// proxy, the proxy to the real server. Bytes are counted per direction over every connection
// of one run (a mail check opens more than one); the connection that carries the chosen byte
// gets exactly the bytes before it and is then closed on both sides. Later connections of the
// run pass untouched, so a client that silently reconnects is seen doing so.
//
// The proxy runs in a thread of its own because the client under test blocks while it talks.

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CuttingProxy {
public:
    enum Direction { ServerToClient = 0, ClientToServer = 1 };

    struct Run {
        qint64 bytes[2] = {0, 0};  // moved per Direction
        int connections = 0;
        bool cut = false;          // the chosen byte was reached
        bool settled = false;      // every connection closed on both sides in time
    };

    // Listens on 127.0.0.1 (a free port) and forwards to 127.0.0.1:targetPort.
    explicit CuttingProxy(int targetPort);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy&) = delete;
    CuttingProxy& operator=(const CuttingProxy&) = delete;

    int port() const { return port_; }

    // Starts a run: the connection carrying byte number `offset` (from 0) in `direction` is cut
    // before that byte; no cut without an offset.
    void arm(Direction direction, std::optional<qint64> offset);
    // Starts a run whose cut comes right after the first occurrence of marker in direction:
    // for a cut at a place in the dialogue whose byte count the test cannot know beforehand.
    void armAfter(Direction direction, const QByteArray& marker);

    // Ends the run once every connection is closed on both sides, the server's included, so
    // that whatever the server does when a client goes away is finished.
    Run finish();

private:
    struct Link;

    void loop();
    void acceptAll();
    // Moves what one side has to the other; false when the link is finished.
    bool pump(Link& link, Direction direction);
    void cut(Link& link);
    // Sets the cut's offset where the armed marker ends, if it is in what just arrived.
    void findMarker(Link& link, Direction direction, const QByteArray& received);
    void wake();

    int targetPort_;
    int port_ = 0;
    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::vector<Link*> links_;
    std::mutex mutex_;
    std::condition_variable idle_;
    Direction direction_ = ServerToClient;
    std::optional<qint64> offset_;
    QByteArray marker_;  // sets offset_ once seen
    Run run_;
    bool finishing_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
