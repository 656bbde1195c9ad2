#pragma once
// A throw-away program folder laid out as the install lays it out: the data folder and the
// attachment folder inside a temporary directory.

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TempProgramFolder {
public:
    explicit TempProgramFolder(bool withFolders = true)
    {
        if (withFolders) {
            QDir(dir_.path()).mkpath(QStringLiteral("★MAilData"));
            QDir(dir_.path()).mkpath(QStringLiteral("添付フォルダ"));
        }
    }

    ProgramFolder folder() const { return ProgramFolder(dir_.path()); }
    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.path() + QLatin1Char('/') + relative; }

    QByteArray read(const QString& relative) const
    {
        QFile f(file(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& relative, const QByteArray& bytes) const
    {
        QFile f(file(relative));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }

private:
    QTemporaryDir dir_;
};
