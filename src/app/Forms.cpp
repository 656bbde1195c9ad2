#include "app/Forms.h"

#include "addressbook/FriendForm.h"
#include "app/MainForm.h"
#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "history/TyakuForm.h"
#include "mail/AddressList.h"
#include "platform/WindowPlacement.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
const char* const PlacedProperty = "tessalyPlaced";
}

Forms::Forms(ProgramState& state, Seams seams, FileDialogs& fileDialogs)
    : state_(state), seams_(seams), fileDialogs_(fileDialogs)
{
}

Forms::~Forms()
{
    // The main window last: the others may still point at it.
    delete back_.data();
    delete tyaku_.data();
    delete write_.data();
    delete friend_.data();
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
        return new SetForm([this] { present(idPassForm(), set_); }, [this] { present(optionForm(), set_); });
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

IdPassForm* Forms::loadedIdPassForm() { return idPass_.data(); }

FriendForm& Forms::friendForm()
{
    return loaded(friend_, [this] { return new FriendForm(state_.folder, seams_); });
}

WriteForm& Forms::writeForm()
{
    return loaded(write_, [this] {
        return new WriteForm(state_, seams_, fileDialogs_,
                             WriteFormHooks{[this] { return mainForm().Text2->text(); },
                                            [this](const QString& text) { mainForm().showProgress(text); }});
    });
}

TyakuForm& Forms::tyakuForm()
{
    return loaded(tyaku_, [this] {
        auto* viewer = new TyakuForm(state_, seams_);
        viewer->setMainHelpText = [this](const QString& text) { mainForm().Text1->setPlainText(text); };
        // The viewer closes once it has handed the mail on: the window to keep usable is the main
        // window it leaves behind.
        viewer->handOver.registerSender = [this](const QString& address) {
            FriendForm& book = friendForm();
            book.Text4->setText(address);
            present(book, &mainForm());
        };
        viewer->handOver.reply = [this](const QString& subject, const QString& to, const QString& body,
                                        const nmail::ReplyThread& thread) {
            BackForm& reply = backForm();
            reply.SubjectText->setText(subject);
            reply.ToText->setText(nmail::replyRecipient(to));
            reply.setBodyText(body);
            reply.setReplyThread(thread);
            present(reply, &mainForm());
        };
        return viewer;
    });
}

BackForm& Forms::backForm()
{
    return loaded(back_, [this] {
        return new BackForm(state_, seams_, fileDialogs_, BackFormHooks{[this] { present(mainForm()); }});
    });
}

void Forms::present(QWidget& window, const QWidget* opener)
{
    if (!window.property(PlacedProperty).toBool()) {
        window.setProperty(PlacedProperty, true);
        if (!opener)
            opener = QApplication::activeWindow();
        if (opener && opener != &window && opener->isVisible())
            placeFrom(window, *opener);
        else
            centreOnScreen(window);
    }
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}
