#include "history/HistoryDeletion.h"

#include "history/HistoryListLine.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "store/RecordFileRewrite.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QTextEdit>

namespace history {

namespace {

constexpr qsizetype InUseOffset = store::HistoryRecordSize - 2;

const QString ConfirmTitle = QStringLiteral("確認");

// Record numbers to leave out, by history. The shown history is always among the keys, so its
// leftovers (InUse 0, an incomplete end) go with every deletion.
using DoomedRecords = QMap<store::HistoryKind, QSet<int>>;

store::HistoryKind shownKind(const ProgramState& state)
{
    return state.HistoryKind == 2 ? store::HistoryKind::Sent : store::HistoryKind::Received;
}

QString temporaryPath(const ProgramFolder& folder, store::HistoryKind kind)
{
    return folder.path(kind == store::HistoryKind::Received ? u"\\★MAilData\\ZELDATA2.TMP"
                                                            : u"\\★MAilData\\ZELDATA5.TMP");
}

// Adds the record a list line stands for. Lines of the mail check stand for the records it
// wrote, wherever those sit; all other lines for the record at their position.
void doomLine(DoomedRecords& doomed, const TyakuForm& viewer, int line, store::HistoryKind shown,
              ProgramState& state)
{
    const LineTarget target = viewer.List1->target(line, shown);
    doomed[target.kind].insert(target.record);
    state.CurrentRecord = static_cast<std::int16_t>(target.record);
}

// A failed rewrite leaves its file as it was; the user is told and the list is filled again
// from what is on disk either way.
void compact(TyakuForm& viewer, const ProgramState& state, const DoomedRecords& doomed, MessageBoxes& messages)
{
    for (auto it = doomed.cbegin(); it != doomed.cend(); ++it) {
        const store::StoreResult result = CompactHistoryFile(state.folder, it.key(), it.value());
        if (!result.ok)
            messages.warn(&viewer, result.error);
    }
}

}  // namespace

store::StoreResult CompactHistoryFile(const ProgramFolder& folder, store::HistoryKind kind,
                                      const QSet<int>& doomed)
{
    const QString path = store::historyPath(folder, kind);
    if (!QFileInfo::exists(path))
        return {};
    return store::rewriteRecordFile(path, temporaryPath(folder, kind), store::HistoryRecordSize,
                                    [&doomed](int number, QByteArrayView record) {
                                        return !doomed.contains(number) && store::inUseMark(record, InUseOffset) != 0;
                                    });
}

void RefillHistoryList(TyakuForm& viewer, ProgramState& state, store::HistoryKind kind)
{
    // Loading gives exactly this; the boxes show the fields trimmed, as after every other fill,
    // rather than with their padding, which would scroll the one-line boxes to blank space.
    LoadHistory(viewer, state, kind);
}

void Command1_Click(TyakuForm& viewer, ProgramState& state, MessageBoxes& messages)
{
    const std::optional<int> line = viewer.List1->selectedLine();
    if (!line) {
        messages.show(&viewer, QStringLiteral("データが選択されていません。"), QString(), MessageButtons::Ok,
                      MessageIcon::None);
        return;
    }
    const store::HistoryKind shown = shownKind(state);
    DoomedRecords doomed{{shown, {}}};
    doomLine(doomed, viewer, *line, shown, state);
    if (messages.show(&viewer, QStringLiteral("選択された（行、青色）データを削除します。よろしいですか"),
                      ConfirmTitle, MessageButtons::YesNo, MessageIcon::Question)
        != MessageAnswer::Yes)
        return;
    compact(viewer, state, doomed, messages);
    RefillHistoryList(viewer, state, shown);
    if (shown == store::HistoryKind::Sent && viewer.setMainHelpText)
        viewer.setMainHelpText(viewer.Text2->text());
}

void Command5_Click(TyakuForm& viewer, ProgramState& state, MessageBoxes& messages)
{
    if (messages.show(&viewer, QStringLiteral("すべてのデータを削除して良いですか？"), ConfirmTitle,
                      MessageButtons::YesNo, MessageIcon::Question)
        != MessageAnswer::Yes)
        return;
    const store::HistoryKind shown = shownKind(state);
    DoomedRecords doomed{{shown, {}}};
    for (int line = 0; line < viewer.List1->count(); ++line)
        doomLine(doomed, viewer, line, shown, state);
    compact(viewer, state, doomed, messages);

    // Normally nothing is left. A record stored after the list was filled was never offered for
    // deletion and stays; it is listed as loading would list it, and counted, so that the list,
    // the count and the file keep agreeing.
    viewer.clearHistoryList();
    QStringList lines;
    for (const store::HistoryRecord& heading : store::readHeadings(store::historyPath(state.folder, shown)))
        lines.append(HistoryListLine(heading, shown));
    viewer.List1->addPositionalLines(lines);
    viewer.Text2->setText(QString::number(lines.size()));
    viewer.Text7->clear();
    viewer.Text8->clear();
    viewer.Text9->clear();
    viewer.rtfEd->clear();
}

}  // namespace history
