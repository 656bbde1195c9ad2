// Presses "受信" once in a program whose folder is the one given, against the test Dovecot, and
// says on standard error what the check showed. The folder and the stored account are made on
// the first run. Meant to be killed at any moment by the kill loop (kill_loop.py).
//
//   check_mail_once PROGRAM_FOLDER USER

#include "app/CheckMail.h"
#include "app/MainForm.h"
#include "DriverProgram.h"

#include <QApplication>
#include <QLabel>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: check_mail_once PROGRAM_FOLDER USER\n", stderr);
        return 2;
    }
    const std::unique_ptr<DriverProgram> program = DriverProgram::in(args[1], args[2]);
    if (!program)
        return 2;
    CheckMail(program->forms);
    for (const ShownMessage& shown : program->seams.messages.shown)
        std::fprintf(stderr, "shown: %s\n", qPrintable(shown.text));
    std::printf("%s\n", qPrintable(program->forms.mainForm().Label2->text()));
    return 0;
}
