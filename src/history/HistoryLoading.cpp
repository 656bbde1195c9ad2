#include "history/HistoryLoading.h"

#include "history/HistoryListLine.h"
#include "history/ReplyThreads.h"
#include "history/TyakuForm.h"
#include "platform/TextFields.h"

#include <QLineEdit>
#include <QTextEdit>

namespace history {

void LoadHistory(TyakuForm& viewer, ProgramState& state, store::HistoryKind kind)
{
    state.HistoryKind = static_cast<std::int16_t>(kind);
    QPalette colours = viewer.List1->palette();
    colours.setColor(QPalette::Base, TyakuForm::HistoryListColour);
    viewer.List1->setPalette(colours);
    viewer.setWindowTitle(kind == store::HistoryKind::Received ? QStringLiteral("着信履歴")
                                                               : QStringLiteral("送信履歴"));
    viewer.clearHistoryList();
    viewer.Text9->clear();
    viewer.Text8->clear();
    viewer.Text7->clear();
    viewer.rtfEd->clear();

    // The list needs only the part of each record before its body, and the boxes end up showing
    // the last record whatever came before it, so only that record is read whole.
    const QString path = store::historyPath(state.folder, kind);
    QStringList lines;
    lines.reserve(store::recordCount(path));
    store::forEachHeading(path, [&lines, kind](const store::HistoryRecord& heading) {
        lines.append(HistoryListLine(heading, kind));
    });
    viewer.List1->addPositionalLines(lines);

    if (const auto last = store::readRecord(path, static_cast<int>(lines.size()))) {
        (kind == store::HistoryKind::Received ? state.ReceivedRecord : state.SentRecord) = *last;
        viewer.showRecord(*last, kind);
    }
    viewer.Text2->setText(QString::number(viewer.List1->count()));
}

store::StoreResult AppendReceivedRecord(TyakuForm& viewer, ProgramState& state, int number)
{
    return AppendReceivedRecord(state, store::historyPath(state.folder, store::HistoryKind::Received), number,
                                {viewer.Text9->text(), viewer.Text8->text(), viewer.Text7->text(), viewer.bodyText()},
                                store::Durability::BeforeReturn);
}

store::HistoryRecord receivedRecord(const ReceivedMail& mail)
{
    using textfields::trimSpaces;
    store::HistoryRecord record;
    record.Subject = trimSpaces(mail.subject);
    record.setAddressField(store::HistoryKind::Received, trimSpaces(mail.sender));
    record.setDateField(store::HistoryKind::Received, trimSpaces(mail.date));
    record.Body = trimSpaces(TyakuForm::shownText(mail.body));
    record.InUse = 1;
    return record;
}

store::StoreResult AppendReceivedRecord(ProgramState& state, const QString& path, int number,
                                        const ReceivedMail& mail, store::Durability durability)
{
    state.ReceivedRecord = receivedRecord(mail);
    // The note is keyed by the bytes written, so they are made once for both.
    const QByteArray bytes = state.ReceivedRecord.toBytes();
    const store::StoreResult written = store::writeRecordBytes(path, number, bytes, durability);
    if (written.ok)
        rememberReplyThread(path, bytes, mail.header);
    return written;
}

}  // namespace history
