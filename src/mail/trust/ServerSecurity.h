#pragma once
// What the program remembers of each server's security, per "host:port": that it spoke TLS (so
// a later session to it without TLS is refused as a downgrade), and that the user agreed to send
// the password unencrypted to a server that offers no TLS at all. The file is the program's own,
// readable by its owner only, one "host:port what" line each; a line the user deletes is
// forgotten.

#include <QByteArray>
#include <QList>
#include <QString>

namespace nmail {

class ServerSecurity {
public:
    // The entries of the file at path (none when the path is empty or the file is missing).
    explicit ServerSecurity(QString path);

    bool spokeTls(const QString& server) const { return has(server, Tls); }
    bool plainTextAllowed(const QString& server) const { return has(server, PlainText); }

    // Keep the fact for later sessions; false with a reason when the file cannot be written.
    bool rememberTls(const QString& server, QString* error) { return add(server, Tls, error); }
    bool allowPlainText(const QString& server, QString* error) { return add(server, PlainText, error); }

private:
    static const QByteArray Tls;
    static const QByteArray PlainText;

    bool has(const QString& server, const QByteArray& what) const;
    bool add(const QString& server, const QByteArray& what, QString* error);

    QString path_;
    QList<std::pair<QString, QByteArray>> entries_;
};

}  // namespace nmail
