#pragma once
// The servers.env file that scripts/mailservers/start.sh writes (KEY=VALUE lines: ports, CA
// file, mailbox folder), as the benchmarks read it.

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>

inline QHash<QByteArray, QByteArray> readServersEnv(const QString& path)
{
    QHash<QByteArray, QByteArray> values;
    QFile env(path);
    if (env.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : env.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values.insert(line.left(eq), line.mid(eq + 1).replace("\"", ""));
        }
    }
    return values;
}
