#include "app/UnconfirmedDeletions.h"

#include "platform/FileReplace.h"

#include <QFile>
#include <QList>

UnconfirmedDeletions::UnconfirmedDeletions(QString path, QString account)
    : path_(std::move(path)), account_(std::move(account))
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || QString::fromUtf8(lines.first()) != account_)
        return;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            previous_.insert(lines[i]);
    }
}

void UnconfirmedDeletions::add(const QByteArray& uidl)
{
    if (!uidl.isEmpty())
        current_.insert(uidl);
}

bool UnconfirmedDeletions::save(QString* error) const
{
    QByteArray text = account_.toUtf8() + '\n';
    for (const QByteArray& id : current_)
        text += id + '\n';
    // replaceFile flushes the new file to the disk before it takes the old one's place.
    return replaceFile(path_, text, error, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void UnconfirmedDeletions::forget()
{
    previous_.clear();
    current_.clear();
    QFile::remove(path_);
}
