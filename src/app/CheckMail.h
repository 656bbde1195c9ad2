#pragma once
// "受信": takes every mail from the POP3 mailbox, expands its attachments into the attachment
// folder, stores it as a record of the received history and only then deletes it from the
// server; reports the outcome on the main window and spins the wheel when mail arrived.

class Forms;

void CheckMail(Forms& forms);
