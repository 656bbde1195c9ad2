#pragma once
// The small files of the program's own that say one thing per server: a "host:port value" line
// each, written whole and readable by their owner only.

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace nmail::serverlines {

using Entry = std::pair<QString, QByteArray>;  // the server as key() gives it, and its value

// The form a server is kept and looked up in: trimmed, lower case.
QString key(const QString& server);
// The lines of two fields of the file at path (none when the path is empty or the file is
// missing); other lines are dropped.
QList<Entry> read(const QString& path);
// Replaces the file with the entries; false with a reason when it cannot be written.
bool write(const QString& path, const QList<Entry>& entries, QString* error);

}  // namespace nmail::serverlines
