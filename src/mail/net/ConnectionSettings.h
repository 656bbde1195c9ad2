#pragma once
// What one connection needs to know besides the server: how long to wait and whom to trust. The
// facade hands these to each engine, so an engine never reads a setting behind its caller's back
// and a test can run two connections with different settings side by side.

#include <QString>

#include <chrono>

namespace nmail {

struct ConnectionSettings {
    // Longest wait for the connection, the TLS handshake, a reply or the next byte of one.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    // PEM file of trusted CAs; empty means the system's trust store.
    QString caFile;
    // The file of certificates the user trusted for one server each (CertificateTrust.h).
    QString trustFile;
    // What each server offered before and what the user allowed (ServerSecurity.h).
    QString securityFile;
    // A server that keeps sending, but less than rateFloorBytes in any rateWindow of one answer,
    // is as good as silent: a byte a second would otherwise hold the window for ever.
    std::chrono::milliseconds rateWindow{std::chrono::seconds(30)};
    qint64 rateFloorBytes = 4096;
};

}  // namespace nmail
