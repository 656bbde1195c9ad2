#include "history/KeptMail.h"

#include "history/AttachmentFiles.h"

#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "store/KeptMailLine.h"

#include <QFile>


namespace history {

namespace {

// A kept mail larger than this is not read back for the window: the record shows what it holds.
constexpr qint64 MaxKeptMailSize = 64 * 1024 * 1024;

// What the record holds of a field: trimmed, in code page 932, cut to its width.
QString asRecorded(const QString& text, qsizetype width)
{
    return textfields::trimSpaces(cp932::decode(textfields::cutBytes(textfields::trimSpaces(text), width)));
}

}  // namespace

std::optional<KeptMail> readKeptMail(const QString& attachmentFolder, const store::HistoryRecord& record)
{
    const std::optional<QString> name = store::keptMailName(textfields::trimSpaces(record.Body));
    const std::optional<QString> path = name ? fileInFolder(attachmentFolder, *name) : std::nullopt;
    if (!path)
        return std::nullopt;
    QFile file(*path);
    if (file.size() > MaxKeptMailSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const nmail::ParsedMail mail(file.readAll());
    const nmail::DecodedMail decoded = nmail::decodeMail(mail);
    using store::HistoryKind;
    const bool sameMail = asRecorded(decoded.sender, store::FieldWidth)
                              == textfields::trimSpaces(record.addressField(HistoryKind::Received))
                          && asRecorded(decoded.date, store::FieldWidth)
                                 == textfields::trimSpaces(record.dateField(HistoryKind::Received));
    if (!sameMail)
        return std::nullopt;
    // The mail library gives a NUL in a text back as U+FFFD, which the record holds as "〓".
    QString text = decoded.body;
    text.replace(QChar(0), QChar(QChar::ReplacementCharacter));
    return KeptMail{*name, *path, decoded.subject, decoded.sender, text, decoded.header};
}

QString wholeField(const QString& recorded, const QString& kept, qsizetype width)
{
    const QString field = textfields::trimSpaces(recorded);
    return !kept.isEmpty() && asRecorded(kept, width) == field ? textfields::trimSpaces(kept) : field;
}

}  // namespace history
