// Tessaly: a desktop mail client for one POP3/SMTP account, with a roulette wheel that spins
// when new mail arrives.

#include "app/DesktopSetup.h"
#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "platform/FileDialogs.h"
#include "platform/QtSeams.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The main window alone decides when the program ends, even while it is minimised and the
    // last other window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    desktopsetup::installFonts(app);
    desktopsetup::installJapaneseTranslation(app);

    QtSeams platform;
    const ProgramFolder folder = ProgramFolder::ofRunningExecutable();
    const SingleInstance instance(folder);
    if (!instance.acquired()) {
        platform.messages.inform(nullptr, QStringLiteral("このプログラムは既に起動しています。\n"
                                                         "起動中のウィンドウをお使いください。\n\n%1")
                                              .arg(folder.root()));
        return 0;
    }

    ProgramState state(folder);
    QtFileDialogs fileDialogs;
    Forms forms(state, platform.seams(), fileDialogs);
    return RunProgram(forms);
}
