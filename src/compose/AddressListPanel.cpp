#include "compose/AddressListPanel.h"

#include "compose/FormParts.h"
#include "platform/Seams.h"
#include "platform/TextFields.h"
#include "platform/Twips.h"
#include "store/AddressBookFile.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace compose {

namespace {

const QColor BulkGreen(0, 128, 0);

}  // namespace

void PressableList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    emit pressedAnywhere();
}

AddressListPanel::AddressListPanel(ProgramFolder folder, MessageBoxes& messages, QWidget* window)
    : QFrame(window)
    , folder_(std::move(folder))
    , messages_(messages)
{
    setObjectName(QStringLiteral("AddressPanel"));
    setGeometry(twips::rect(6960, 1200, 2350, 6495));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);

    QFrame* header = greyPanel(this, twips::rect(120, 120, 2055, 495));
    auto* title = new QLabel(QStringLiteral("アドレス帳"), header);
    title->setGeometry(twips::rect(60, 80, 900, 270));
    auto* countLabel = new QLabel(QStringLiteral("件数"), header);
    countLabel->setGeometry(twips::rect(1020, 80, 500, 270));
    Text1 = new QLineEdit(header);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips::rect(1560, 80, 375, 270));

    List1 = new PressableList(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twips::rect(120, 600, 2055, 5100));
    connect(List1, &PressableList::pressedAnywhere, this, &AddressListPanel::List1_MouseDown);

    auto* frame = new QGroupBox(this);
    frame->setGeometry(twips::rect(120, 5760, 2055, 615));
    Option2 = new QRadioButton(QStringLiteral("一括送信"), frame);
    // Up to its neighbour, so that its caption shows whole in the substituted Japanese font.
    Option2->setGeometry(twips::rect(60, 180, 1020, 330));
    Option1 = new QRadioButton(QStringLiteral("取消"), frame);
    Option1->setGeometry(twips::rect(1140, 180, 855, 330));
    // One group, in which neither option needs to be selected: that is how every load starts.
    auto* group = new QButtonGroup(this);
    group->addButton(Option2);
    group->addButton(Option1);
    connect(Option2, &QRadioButton::clicked, this, [this] { setListColour(BulkGreen); });
    connect(Option1, &QRadioButton::clicked, this, [this] {
        showListWhite();
        emit bulkCancelled();
    });
    showListWhite();
}

void AddressListPanel::fill(const QString& path)
{
    // Opening the file for records creates it; a failure only leaves the list empty.
    store::createIfMissing(path);
    AddressRecordNumbers.assign(1, 0);
    List1->clear();
    std::int16_t number = 0;
    for (const store::AddressRecord& record : store::readAddresses(path)) {
        List1->addItem(record.Name);
        AddressRecordNumbers.back() = ++number;
        AddressRecordNumbers.push_back(0);
    }
    Text1->setText(QString::number(List1->count()));
}

std::optional<QString> AddressListPanel::bookAddress(int number) const
{
    const auto record = store::readAddress(store::addressBookPath(folder_), number);
    if (!record)
        return std::nullopt;
    QString address = record->Address;
    while (address.endsWith(u' '))
        address.chop(1);
    return address;
}

bool AddressListPanel::bulkMode() const { return Option2->isChecked(); }

void AddressListPanel::endBulkMode()
{
    // An exclusive group never lets its checked button go; lifting the rule for the moment
    // leaves both options unset, as at load.
    Option2->group()->setExclusive(false);
    Option2->setChecked(false);
    Option1->setChecked(false);
    Option2->group()->setExclusive(true);
    showListWhite();
}

void AddressListPanel::showListWhite() { setListColour(Qt::white); }

void AddressListPanel::setListColour(QColor colour)
{
    QPalette palette = List1->palette();
    palette.setColor(QPalette::Base, colour);
    List1->setPalette(palette);
}

void AddressListPanel::List1_MouseDown()
{
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) {
        messages_.warn(window(), QStringLiteral("データが選択されていません"));
        List1->setFocus();
        return;
    }
    const int number = AddressRecordNumbers.at(static_cast<std::size_t>(List1->row(selected.first())));
    const auto record = store::readAddress(store::addressBookPath(folder_), number);
    if (record)
        emit addressChosen(textfields::trimSpaces(record->Address));
}

}  // namespace compose

