#pragma once
// A small tmpfs mounted over a folder (needs root; mounted() says whether it worked), to be filled
// with one file until the disk is full; unmounted again when the test is done.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

// A small tmpfs over a folder, to be filled with one file until the disk is full; unmounted
// again when the test is done.
class FullDisk {
public:
    explicit FullDisk(const QString& folder) : folder_(folder)
    {
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
        if (!mounted_)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~FullDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }

    void fill() const
    {
        QFile filler(fillerPath());
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
    }

    bool mounted() const { return mounted_; }
    QString error() const { return error_; }
    // Gives back the last bytes of the filler: room for that much and no more.
    void makeRoom(qint64 bytes) const
    {
        QFile filler(fillerPath());
        filler.resize(qMax<qint64>(0, QFileInfo(filler).size() - bytes));
    }
    // What is in the folder besides the filler.
    QStringList others() const
    {
        QStringList names = QDir(folder_).entryList(QDir::Files);
        names.removeAll(QStringLiteral("filler"));
        return names;
    }

private:
    QString fillerPath() const { return folder_ + QStringLiteral("/filler"); }

    QString folder_;
    QString error_;
    bool mounted_ = false;
};

