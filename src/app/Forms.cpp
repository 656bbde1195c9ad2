#include "app/Forms.h"

#include "app/MainForm.h"
#include "platform/WindowPlacement.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"

namespace {
const char* const PlacedProperty = "tessalyPlaced";
}

Forms::Forms(ProgramState& state, Seams seams) : state_(state), seams_(seams) {}

Forms::~Forms()
{
    // The main window last: the others may still point at it.
    delete idPass_.data();
    delete option_.data();
    delete set_.data();
    delete main_.data();
}

template <typename Form, typename Make>
Form& Forms::loaded(QPointer<Form>& slot, Make make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    return *slot;
}

MainForm& Forms::mainForm()
{
    return loaded(main_, [this] { return new MainForm(*this); });
}

SetForm& Forms::setForm()
{
    return loaded(set_, [this] {
        return new SetForm([this] { present(idPassForm()); }, [this] { present(optionForm()); });
    });
}

OptionForm& Forms::optionForm()
{
    return loaded(option_, [this] { return new OptionForm(state_.account, state_.folder, seams_); });
}

IdPassForm& Forms::idPassForm()
{
    return loaded(idPass_, [this] { return new IdPassForm(state_.account, state_.folder, seams_); });
}

void Forms::present(QWidget& window)
{
    if (!window.property(PlacedProperty).toBool()) {
        window.setProperty(PlacedProperty, true);
        centreOnScreen(window);
    }
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}
