#pragma once
// Writes the attachments of a received mail into a folder, each under a name that is safe to
// create there: never outside the folder, never over an existing file.

#include <QString>
#include <QStringList>

#include <functional>

namespace nmail {

class ParsedMail;

// Told the path and inode of a complete attachment file just before it is given that name, so a
// caller that must be able to undo an unfinished mail can tell its own file from another's.
using FileNaming = std::function<void(const QString& path, quint64 inode)>;

struct AttachmentReport {
    // 1 written, 0 nothing to write, -5 a file could not be written, -6 a split mail whose
    // other fragments are not here.
    int result = 0;
    QStringList written;  // full paths, in the mail's order
    QString error;
    int losses = 0;       // MailLoss bits found while writing (data that lost bits in decoding)
};

// Writes every attachment of mail into folder, in the mail's order, each under its name from
// attachmentFileNames or, when that is taken, with " (2)", " (3)"... before its extension. A file
// appears under its name only once it is complete.
AttachmentReport writeAttachments(const ParsedMail& mail, const QString& folder, const FileNaming& naming = {});

// The file name of each attachment of mail, in the mail's order: the name the mail gives it made
// safe, or "attachmentN" with an extension for its type. Empty names for a split mail's fragment,
// which is not written.
QStringList attachmentFileNames(const ParsedMail& mail);

// A file name that code page 932 can hold and that names a plain new entry in one folder:
// separators, "..", control and reserved characters replaced, reserved device names and empty
// names avoided, length bounded (in code page 932 and in the file system's encoding). fallback
// is used when nothing usable is left.
QString safeFileName(const QString& proposed, const QString& fallback);

}  // namespace nmail
