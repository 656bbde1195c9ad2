#include "compose/AttachmentList.h"

#include "compose/SendChecks.h"
#include "platform/FileDialogs.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace compose {

AttachmentList::AttachmentList(Controls controls, FileDialogs& dialogs, MessageBoxes& messages, QWidget* window)
    : QObject(window)
    , c_(controls)
    , dialogs_(dialogs)
    , messages_(messages)
    , window_(window)
{
    connect(c_.attach, &QPushButton::clicked, this, &AttachmentList::attachClicked);
    connect(c_.add, &QPushButton::clicked, this, &AttachmentList::addClicked);
    connect(c_.drop, &QPushButton::clicked, this, &AttachmentList::dropAll);
}

void AttachmentList::prepareForSend()
{
    c_.add->setEnabled(false);
    c_.list->hide();
    c_.attach->setEnabled(true);
}

void AttachmentList::dropAll()
{
    c_.paths->clear();
    c_.list->clear();
    c_.list->hide();
    c_.add->setEnabled(false);
    c_.drop->setEnabled(false);
    c_.attach->setEnabled(true);
}

// The first file replaces whatever the text held. The button is spent afterwards, also after a
// cancel: further files come through "add". A refused file leaves the row as it was before the
// press, so the user can pick another one with the same button.
void AttachmentList::attachClicked()
{
    const bool addWasEnabled = c_.add->isEnabled();
    c_.add->setEnabled(true);
    const std::optional<QString> path = pick();
    if (!path) {
        c_.add->setEnabled(addWasEnabled);
        return;
    }
    if (!path->isEmpty()) {
        c_.paths->setText(*path);
        c_.list->addItem(*path);
    }
    c_.attach->setEnabled(false);
}

// Only a list that already has a first file grows; without one the button just shows the list.
void AttachmentList::addClicked()
{
    c_.list->show();
    if (c_.paths->text().isEmpty())
        return;
    if (const std::optional<QString> path = pick(); path && !path->isEmpty()) {
        c_.paths->setText(c_.paths->text() + u',' + *path);
        c_.list->addItem(*path);
    }
}

std::optional<QString> AttachmentList::pick()
{
    const QString path = dialogs_.openFile(window_);
    if (const std::optional<QString> refusal = attachmentRefusal(path)) {
        messages_.warn(window_, *refusal);
        return std::nullopt;
    }
    return path;
}

}  // namespace compose
