#pragma once
// The values that live for the whole run and that several windows share. One instance is owned
// by main() and handed to the forms; tests build their own.

#include "editor/EditorState.h"
#include "platform/ProgramFolder.h"
#include "settings/AccountSettings.h"
#include "store/HistoryRecord.h"

#include <QString>
#include <cstdint>

struct ProgramState {
    explicit ProgramState(ProgramFolder programFolder) : folder(std::move(programFolder)) {}

    ProgramFolder folder;
    AccountSettings account;
    std::int16_t HistoryKind = 0;    // 1 received, 2 sent
    std::int16_t CurrentRecord = 0;  // record number marked for deletion
    // The last record read or written in the received and in the sent file.
    store::HistoryRecord ReceivedRecord;
    store::HistoryRecord SentRecord;
    bool EditorModified = false;
    QString CurrentFile;
    editor::EditorState editorState;  // find position and font toggles, kept for the run
};
