#pragma once
// The program as main() puts it together for a mail check against the test servers: a temporary
// program folder, scripted seams and the POP3 server set; the windows are loaded on first use.

#include "app/Forms.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

struct CheckMailProgram {
    explicit CheckMailProgram(const QString& pop3Server) { state.account.Pop3Server = pop3Server; }

    TempProgramFolder program;
    ScriptedSeams seams;
    ScriptedFileDialogs files;
    ProgramState state{program.folder()};
    Forms forms{state, seams.seams(), files};
};
