#include "history/HistoryHandOver.h"

#include "history/KeptMail.h"
#include "history/ReplyThreads.h"
#include "history/TyakuForm.h"
#include "platform/TextFields.h"
#include "store/HistoryFile.h"

#include <QLineEdit>

namespace history {

namespace {

const QString OwnMail = QStringLiteral("自分宛となっています。");
const QString NoSelection = QStringLiteral("データが選択されていません。");

// A line must be selected, though the boxes, not the line, give the mail.
bool lineSelected(TyakuForm& viewer, MessageBoxes& messages)
{
    if (viewer.List1->selectedLine())
        return true;
    messages.show(&viewer, NoSelection, {}, MessageButtons::Ok, MessageIcon::Information);
    return false;
}

// The thread of the received mail the selected line stands for: as noted when it was stored,
// or, for a mail stored before such notes were kept, from its kept raw mail.
nmail::ReplyThread threadOfSelectedMail(const TyakuForm& viewer, const ProgramState& state)
{
    const LineTarget target = viewer.List1->target(*viewer.List1->selectedLine(), store::HistoryKind::Received);
    if (target.kind != store::HistoryKind::Received)
        return {};
    const QString path = store::historyPath(state.folder, target.kind);
    const std::optional<QByteArray> bytes = store::readRecordBytes(path, target.record, store::HistoryRecordSize);
    if (!bytes)
        return {};
    nmail::ReplyThread thread = replyThreadFor(path, *bytes);
    if (thread.isEmpty()) {
        if (const auto kept = readKeptMail(viewer.attachmentFolder(), store::HistoryRecord::fromBytes(*bytes)))
            thread = nmail::replyThreadOf(kept->header);
    }
    return thread;
}

}  // namespace

void Command3_Click(TyakuForm& viewer, const ProgramState& state, MessageBoxes& messages)
{
    if (state.HistoryKind != static_cast<std::int16_t>(store::HistoryKind::Received)) {
        messages.show(&viewer, OwnMail, {}, MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    if (!lineSelected(viewer, messages) || !viewer.handOver.registerSender)
        return;
    viewer.handOver.registerSender(viewer.Text8->text());
    viewer.close();
}

void Command4_Click(TyakuForm& viewer, const ProgramState& state, MessageBoxes& messages)
{
    if (state.HistoryKind == static_cast<std::int16_t>(store::HistoryKind::Sent)) {
        messages.show(&viewer, OwnMail, {}, MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    if (state.HistoryKind != static_cast<std::int16_t>(store::HistoryKind::Received))
        return;
    if (!lineSelected(viewer, messages) || !viewer.handOver.reply)
        return;
    using textfields::trimSpaces;
    viewer.handOver.reply(QStringLiteral("Re:  ") + trimSpaces(viewer.Text9->text()),
                          trimSpaces(viewer.Text8->text()), trimSpaces(viewer.bodyText()),
                          threadOfSelectedMail(viewer, state));
    viewer.close();
}

}  // namespace history
