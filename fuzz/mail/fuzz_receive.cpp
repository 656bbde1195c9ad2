// libFuzzer target: a raw received mail through everything the caller sees of it — the decoded
// subject, date, sender, header and text cut into code page 932 buffers, and the attachments
// written into a folder. Every file must land inside that folder, and every name must be one the
// folder can hold.

#include "mail/AttachmentWriter.h"
#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"
#include "platform/TextFields.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    static const QString folder = [] {
        QDir(root.path()).mkdir(QStringLiteral("attachments"));
        return root.filePath(QStringLiteral("attachments"));
    }();

    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const nmail::ParsedMail mail(raw);
    const nmail::DecodedMail decoded = nmail::decodeMail(mail);
    for (const QString* text : {&decoded.subject, &decoded.date, &decoded.sender, &decoded.text}) {
        if (textfields::cutBytes(*text, 8191).size() > 8191)
            std::abort();
    }

    const nmail::AttachmentReport report = nmail::writeAttachments(mail, folder);
    if (report.result == -5)
        std::abort();  // the folder is there and writable: every name must be one it can hold
    for (const QString& path : report.written) {
        if (QFileInfo(path).absolutePath() != QFileInfo(folder).absoluteFilePath())
            std::abort();  // a name escaped the attachment folder
    }
    if (QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() != 1)
        std::abort();  // something was created beside the folder
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder + u'/' + name);
    return 0;
}
