#include "mail/trust/ServerSecurity.h"

#include "platform/FileReplace.h"

#include <QFile>

namespace nmail {

const QByteArray ServerSecurity::Tls = "tls";
const QByteArray ServerSecurity::PlainText = "unencrypted-password-allowed";

namespace {
QString serverKey(const QString& server) { return server.trimmed().toLower(); }
}  // namespace

ServerSecurity::ServerSecurity(QString path) : path_(std::move(path))
{
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2 && (fields[1] == Tls || fields[1] == PlainText))
            entries_.append({serverKey(QString::fromUtf8(fields[0])), fields[1]});
    }
}

bool ServerSecurity::has(const QString& server, const QByteArray& what) const
{
    return entries_.contains(std::pair{serverKey(server), what});
}

bool ServerSecurity::add(const QString& server, const QByteArray& what, QString* error)
{
    if (has(server, what))
        return true;
    if (path_.isEmpty()) {
        *error = QStringLiteral("サーバーの情報を保存する場所が決まっていません");
        return false;
    }
    entries_.append({serverKey(server), what});
    QByteArray text;
    for (const auto& [key, fact] : entries_)
        text += key.toUtf8() + ' ' + fact + '\n';
    return replaceFile(path_, text, error, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace nmail
