#pragma once
// The registry of the program's windows. Every window exists at most once: it is created on its
// first use (loaded, not yet shown), destroyed when the user closes it, and created afresh on the
// next use. Windows reach each other only through here.

#include "app/ProgramState.h"
#include "platform/FileDialogs.h"
#include "platform/Seams.h"

#include <QPointer>
#include <QWidget>

class MainForm;
class SetForm;
class OptionForm;
class IdPassForm;
class FriendForm;
class WriteForm;
class TyakuForm;
class BackForm;

class Forms {
public:
    Forms(ProgramState& state, Seams seams, FileDialogs& fileDialogs);
    // Discards every window still open without its closing steps, as the end of the program
    // does.
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    MainForm& mainForm();
    SetForm& setForm();
    OptionForm& optionForm();
    IdPassForm& idPassForm();
    // The ID form when it is loaded already, else null.
    IdPassForm* loadedIdPassForm();
    FriendForm& friendForm();
    WriteForm& writeForm();
    TyakuForm& tyakuForm();
    BackForm& backForm();

    // Shows a window modeless and brings it to the front. A window shown for the first time is
    // placed so that the window it was opened from stays usable (placeFrom): the given opener,
    // else the active window; with neither, it is centred on the screen.
    static void present(QWidget& window, const QWidget* opener = nullptr);

    ProgramState& state() { return state_; }
    Seams seams() const { return seams_; }

private:
    template <typename Form, typename Make>
    Form& loaded(QPointer<Form>& slot, Make make);

    ProgramState& state_;
    Seams seams_;
    FileDialogs& fileDialogs_;
    QPointer<MainForm> main_;
    QPointer<SetForm> set_;
    QPointer<OptionForm> option_;
    QPointer<IdPassForm> idPass_;
    QPointer<FriendForm> friend_;
    QPointer<WriteForm> write_;
    QPointer<TyakuForm> tyaku_;
    QPointer<BackForm> back_;
};
