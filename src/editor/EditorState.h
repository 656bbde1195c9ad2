#pragma once
// The editor's values that outlive its window: the last find position and the counters of the
// three font buttons keep counting across a close and reopen, for the whole run.

#include <QString>
#include <QtGlobal>

#include <cstdint>

namespace editor {

struct EditorState {
    // 1-based position of the last match of Find or Find next, 0 when the last search found
    // nothing. Wide enough for any text, so matches far into a long mail are reached.
    qsizetype FindPos = 0;
    // Even: the next press switches the attribute on (and the counter becomes 1); odd: off (2).
    std::int16_t BoldToggle = 0;
    std::int16_t ItalicToggle = 0;
    std::int16_t UnderlineToggle = 0;
    // Written to the per-user settings at every close; nothing changes it.
    QString AutoSaveSetting = QStringLiteral("");
};

// The program-wide values the editor reads and writes.
struct EditorValues {
    EditorState& editor;
    bool& EditorModified;  // set by every change of the text, cleared by saves and loads
    QString& CurrentFile;  // the document that 新規作成 names and the window loads
};

}  // namespace editor
