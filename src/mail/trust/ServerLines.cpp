#include "mail/trust/ServerLines.h"

#include "platform/FileReplace.h"

#include <QFile>

namespace nmail::serverlines {

QString key(const QString& server) { return server.trimmed().toLower(); }

QList<Entry> read(const QString& path)
{
    QList<Entry> entries;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2)
            entries.append({key(QString::fromUtf8(fields[0])), fields[1]});
    }
    return entries;
}

bool write(const QString& path, const QList<Entry>& entries, QString* error)
{
    QByteArray text;
    for (const auto& [server, value] : entries)
        text += server.toUtf8() + ' ' + value + '\n';
    return replaceFile(path, text, error, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace nmail::serverlines
