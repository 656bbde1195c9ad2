#include "history/ShownMail.h"

#include "history/ExactText.h"
#include "history/KeptMail.h"
#include "platform/TextFields.h"

namespace history {

ShownMail shownMail(const store::HistoryRecord& record, store::HistoryKind kind, const QString& attachmentFolder)
{
    using textfields::trimSpaces;
    ShownMail shown{trimSpaces(record.dateField(kind)), trimSpaces(record.addressField(kind)),
                    trimSpaces(record.Subject), trimSpaces(record.Body), {}};
    if (kind != store::HistoryKind::Received)
        return shown;
    const std::optional<KeptMail> kept = readKeptMail(attachmentFolder, record);
    if (!kept)
        return shown;
    shown.address = wholeField(record.addressField(kind), kept->sender, store::FieldWidth);
    shown.subject = wholeField(record.Subject, kept->subject, store::SubjectWidth);
    if (const std::optional<QString> exact = exactText(shown.body, kept->text)) {
        shown.body = *exact;
        shown.notice = QStringLiteral("※送られたとおりの文字で表示（元のメール %1 より。記録は変わりません）")
                           .arg(kept->fileName);
    }
    return shown;
}

}  // namespace history
