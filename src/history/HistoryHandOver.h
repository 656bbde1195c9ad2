#pragma once
// "アドレス帳登録" and "返事を出す": hand the mail the viewer's boxes show on to the address book
// or to a reply, then close the viewer. Both work only in the received history.

#include "app/ProgramState.h"
#include "mail/MessageIds.h"
#include "platform/Seams.h"

#include <QString>

#include <functional>

class TyakuForm;

namespace history {

// What the other windows take over; the owner of those windows fills their controls and shows
// them.
struct HandOverHooks {
    // The sender text exactly as the address box shows it (not trimmed).
    std::function<void(const QString& address)> registerSender;
    // Subject "Re:  …", recipient and body, each as the reply window is to show it, and the
    // thread the reply joins (the answered mail's identifiers, see ReplyThreads.h).
    std::function<void(const QString& subject, const QString& to, const QString& body,
                       const nmail::ReplyThread& thread)>
        reply;
};

void Command3_Click(TyakuForm& viewer, const ProgramState& state, MessageBoxes& messages);
void Command4_Click(TyakuForm& viewer, const ProgramState& state, MessageBoxes& messages);

}  // namespace history
