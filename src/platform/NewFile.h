#pragma once
// A file that appears in its folder only when its content is complete, under a name no other
// file had: it is written as an unnamed file of the folder (O_TMPFILE), then linked under the
// first free one of its candidate names. Where the file system has no unnamed files it is
// written under a hidden temporary name and renamed without replacing anything.
//
// Before each name is tried the caller is told the name and the file's inode. Whoever must undo
// an unfinished job (a program killed between giving a file its name and noting that it did)
// can then tell this file from another that has the name: the inode decides.
//
// The file is created readable by the user alone, whatever the umask.

#include <QString>

class NewFile {
public:
    explicit NewFile(const QString& folder);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Why the last step failed (errno's text; the disk-full case is the caller's to name).
    const QString& error() const { return error_; }
    quint64 inode() const { return inode_; }

    bool write(const char* data, qint64 size);
    // Asks the disk to start writing what was written since the last call, once that is at least
    // atLeast bytes, and returns without waiting: a large file that is to be kept is then mostly
    // on its way by the time it is named and whoever relies on it flushes it.
    void startWriteBack(qint64 atLeast = 1);
    // The open file, to read back what was written (-1 once it is named and closed).
    int descriptor() const { return fd_; }

    // Gives the complete file the name, unless a file (or link) has it already. Tell whoever
    // must know the name and inode() before: once named, the file is there for good. After
    // success the file is closed.
    enum class Naming { Named, Taken, Failed };
    Naming tryName(const QString& name);

    // The file's path once named.
    const QString& path() const { return path_; }
    // The folder it was made in, where it is named.
    const QString& folder() const { return folder_; }

    // Removes the hidden temporary files that copies killed before finishing left in folder.
    static void removeLeftovers(const QString& folder);

private:
    bool fail();
    bool giveName(const QString& name);

    QString folder_;
    QString temporaryName_;  // empty for an unnamed file
    QString path_;
    QString error_;
    quint64 inode_ = 0;
    int fd_ = -1;
    qint64 written_ = 0;
    qint64 writeBackFrom_ = 0;  // where the part not yet handed to the disk starts
};
