#pragma once
// The files a mail check writes beside the records: the scratch file the attachment expansion
// is handed, and the server's copy of a mail whose record cannot hold everything it carried.
// Both are private mail: created readable by the user only, whatever the umask.

#include "mail/MailBytes.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Told a file's name and inode just before the complete file gets that name.
using FileNaming = std::function<void(const QString& name, quint64 inode)>;

// "\添付フォルダ\0.txt": the header and text of the mail being expanded. One file serves every
// mail of a check, rewritten in place, and is removed when the check ends. Whatever stood at its
// name before (a link, a FIFO, an old file) is removed first and the file is created anew, so a
// link never leads the mail's text elsewhere and a FIFO never blocks the check.
class ScratchFile {
public:
    explicit ScratchFile(const QString& attachmentFolder);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const QString& path() const { return path_; }

    // Writes the header line and the text line, each ended by CR LF, and gives back the whole
    // mail text as the file reads back: its lines, each ended by CR LF, and a closing NUL. The
    // text is built from the same bytes, so a file that cannot be written (a full disk) changes
    // nothing.
    QByteArray write(const QByteArray& header, const QByteArray& text);

private:
    QString path_;
    int fd_ = -1;
    qsizetype written_ = 0;  // the file's length after the last write
};

struct KeptMail {
    QString name;          // the file's name in the folder; empty when it could not be kept
    bool created = false;  // written now (not found there already, from an earlier attempt)
    QString error;         // why it could not be kept
};

// Keeps the server's copy of a mail in folder as "mail-<the mail's date>-<the start of its
// SHA-1>.eml". The same mail kept before is found by its name and content and not written twice;
// a new file appears under its name only when it is complete, and naming hears of it first.
KeptMail keepRawMail(const QString& folder, const nmail::MailBytes& raw, const QString& date, const FileNaming& naming = {});

// The record's text when the raw mail was kept: the mail's text, cut where it must be to leave
// room within bodyBytes, the attachment note, and a last line naming the kept file.
QString withKeptMailLine(const QByteArray& text, const QString& note, const QString& fileName, qsizetype bodyBytes);
