#pragma once
// A scripted fake mail server for the faults a real server will not produce on demand. Each
// accepted connection plays the next script; a script pairs what the server sends with the
// client lines it expects, so a case also proves what the client said (and did not say).
//
// Script lines:
//   "S: text"   send text and CR LF          "P: bytes"  send bytes as they are, then pause
//   "C: prefix" expect a client line with this start
//   "DATA"      take client lines up to the lone "."
//   "DROP"      close the connection now     "STALL"     say nothing until the client leaves

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <initializer_list>
#include <thread>

class ScriptedServer {
public:
    explicit ScriptedServer(QList<QByteArrayList> connections);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

    // Waits for the scripts to finish, then: every client line received, and the first way
    // the client strayed from the script (empty when it kept to it).
    QByteArrayList received();
    QString mismatch();
    // Whether the client sent a line that begins with one of these (waits as received() does).
    bool sentLineStartingWith(std::initializer_list<QByteArray> starts);

private:
    void serve();
    void play(int socket, const QByteArrayList& script);
    bool readLine(int socket, QByteArray& line);
    void note(const QString& problem);

    QList<QByteArrayList> connections_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    QMutex mutex_;
    QByteArrayList received_;
    QString mismatch_;
    QByteArray pending_;
};
