#include "mail/trust/ServerSecurity.h"

#include "mail/trust/ServerLines.h"

namespace nmail {

const QByteArray ServerSecurity::Tls = "tls";
const QByteArray ServerSecurity::PlainText = "unencrypted-password-allowed";

ServerSecurity::ServerSecurity(QString path) : path_(std::move(path))
{
    for (const serverlines::Entry& entry : serverlines::read(path_)) {
        if (entry.second == Tls || entry.second == PlainText)
            entries_.append(entry);
    }
}

bool ServerSecurity::has(const QString& server, const QByteArray& what) const
{
    return entries_.contains(std::pair{serverlines::key(server), what});
}

bool ServerSecurity::add(const QString& server, const QByteArray& what, QString* error)
{
    if (has(server, what))
        return true;
    if (path_.isEmpty()) {
        *error = QStringLiteral("サーバーの情報を保存する場所が決まっていません");
        return false;
    }
    entries_.append({serverlines::key(server), what});
    return serverlines::write(path_, entries_, error);
}

}  // namespace nmail
