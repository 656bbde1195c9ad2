#include "compose/AttachmentList.h"

#include "platform/FileDialogs.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace compose {

AttachmentList::AttachmentList(Controls controls, FileDialogs& dialogs, QWidget* window)
    : QObject(window)
    , c_(controls)
    , dialogs_(dialogs)
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
// cancel: further files come through "add".
void AttachmentList::attachClicked()
{
    c_.add->setEnabled(true);
    if (const QString path = pick(); !path.isEmpty()) {
        c_.paths->setText(path);
        c_.list->addItem(path);
    }
    c_.attach->setEnabled(false);
}

// Only a list that already has a first file grows; without one the button just shows the list.
void AttachmentList::addClicked()
{
    c_.list->show();
    if (c_.paths->text().isEmpty())
        return;
    if (const QString path = pick(); !path.isEmpty()) {
        c_.paths->setText(c_.paths->text() + u',' + path);
        c_.list->addItem(path);
    }
}

QString AttachmentList::pick() { return dialogs_.openFile(window_); }

}  // namespace compose
