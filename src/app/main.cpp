// Tessaly: a desktop mail client for one POP3/SMTP account, with a roulette wheel that spins
// when new mail arrives.

#include "app/DesktopSetup.h"
#include "app/Forms.h"
#include "app/MainForm.h"
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
    ProgramState state(ProgramFolder::ofRunningExecutable());
    QtFileDialogs fileDialogs;
    Forms forms(state, platform.seams(), fileDialogs);

    MainForm& main = forms.mainForm();
    QObject::connect(&main, &MainForm::unloaded, &app, &QApplication::quit);
    Forms::present(main);
    main.Form_Load();
    return app.exec();
}
