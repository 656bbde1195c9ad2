#include "addressbook/FriendForm.h"

#include "platform/TextBoxes.h"
#include "platform/Twips.h"
#include "store/AddressBookFile.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

QLabel* caption(const QString& text, QRect where, const char* background, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    label->setStyleSheet(QStringLiteral("color: blue; background: %1;").arg(QLatin1String(background)));
    return label;
}

QPushButton* button(const QString& text, QRect where, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setGeometry(where);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

FriendForm::FriendForm(const ProgramFolder& folder, Seams seams, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , folder_(folder)
    , seams_(seams)
{
    setObjectName(QStringLiteral("FriendForm"));
    setWindowTitle(QStringLiteral("アドレス帳"));
    setFixedSize(twips::size(8085, 6255));
    buildControls();

    Text3->setText(QString::number(List1->count()));
    Label7->clear();
    FillAddressList();
}

void FriendForm::buildControls()
{
    // Wider than designed, up to the box, so the substituted Japanese font shows it whole.
    Label1[0] = caption(QStringLiteral("メールアドレス"), twips::rect(120, 90, 1275, 255), "rgb(255,255,128)", this);
    Text4 = new QLineEdit(this);
    Text4->setGeometry(twips::rect(1515, 0, 3135, 330));
    Text4->setMaxLength(60);
    showStartOfSetTexts(*Text4);
    Command1 = button(QStringLiteral("貼付"), twips::rect(4800, 0, 975, 375), this);
    Command1->setStyleSheet(QStringLiteral("QPushButton { background: rgb(192,192,192); color: black;"
                                           " border: 2px outset rgb(192,192,192); }"
                                           "QPushButton:pressed { border-style: inset; }"));

    Label1[1] = caption(QStringLiteral("名前"), twips::rect(840, 645, 495, 255), "rgb(192,255,255)", this);
    // Names are typed in Japanese: the input method stays enabled for this box.
    Text2 = new QLineEdit(this);
    Text2->setGeometry(twips::rect(1500, 480, 3615, 375));
    Text2->setMaxLength(30);

    Command3 = button(QStringLiteral("ホーム"), twips::rect(120, 1080, 1215, 375), this);
    Command4 = button(QStringLiteral("登録"), twips::rect(1680, 1080, 1215, 375), this);
    Command5 = button(QStringLiteral("削除"), twips::rect(3120, 1080, 1215, 375), this);

    Label1[2] = caption(QStringLiteral("登録件数"), twips::rect(4680, 1200, 735, 255), "rgb(192,255,255)", this);
    // Only typing is limited to two characters; the count itself may need more (a maxLength
    // would cut "100" to "10", a validator leaves text set by the program alone).
    Text3 = new QLineEdit(this);
    Text3->setGeometry(twips::rect(5520, 1080, 615, 375));
    Text3->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral(".{0,2}")), Text3));

    List1 = new QListWidget(this);
    List1->setGeometry(twips::rect(0, 1560, 8175, 4200));
    List1->setStyleSheet(QStringLiteral("QListWidget { background: rgb(192,255,255); }"));

    Picture1 = new QFrame(this);
    Picture1->setGeometry(twips::rect(-120, 5760, 8295, 495));
    Picture1->setFrameShape(QFrame::Panel);
    Picture1->setFrameShadow(QFrame::Sunken);
    Label7 = new QLabel(Picture1);
    Label7->setGeometry(twips::rect(240, 120, 7215, 255));

    connect(Command1, &QPushButton::clicked, this, &FriendForm::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(Command4, &QPushButton::clicked, this, &FriendForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FriendForm::DeleteAddress);
}

void FriendForm::FillAddressList()
{
    List1->clear();
    const QString path = store::addressBookPath(folder_);
    if (const store::StoreResult created = store::createIfMissing(path); !created.ok)
        seams_.messages.warn(this, created.error);
    for (const store::AddressRecord& record : store::readAddresses(path))
        List1->addItem(record.Address + QStringLiteral("  ") + record.Name);
    Text3->setText(QString::number(List1->count()));
}

void FriendForm::Command1_Click() { Text4->setText(QGuiApplication::clipboard()->text()); }

void FriendForm::Command4_Click()
{
    if (Text2->text().isEmpty()) {
        tell(QStringLiteral("氏名（名称）が入力されていません。"));
        return;
    }
    if (Text4->text().isEmpty()) {
        tell(QStringLiteral("メールアドレスが入力されていません。"));
        return;
    }
    if (!AppendAddress(store::NextAddressNumber(store::addressBookPath(folder_))))
        return;
    Label7->setText(QStringLiteral("　登録が完了しました。"));
    FillAddressList();
    Text2->clear();
    Text4->clear();
}

bool FriendForm::AppendAddress(int number)
{
    const store::StoreResult written = store::writeAddress(
        store::addressBookPath(folder_), number, store::AddressRecord::forEntry(Text2->text(), Text4->text()));
    if (!written.ok)
        seams_.messages.warn(this, written.error);
    return written.ok;
}

void FriendForm::DeleteAddress()
{
    const QListWidgetItem* selected = List1->currentItem();
    if (selected == nullptr || !selected->isSelected()) {
        tell(QStringLiteral("データが選択されていません。"));
        return;
    }
    const int number = List1->currentRow() + 1;
    Label7->setText(QStringLiteral(" "));
    const bool confirmed = seams_.messages.show(this, QStringLiteral("選択された（行、青色）データを削除します。よろしいですか"),
                                                QStringLiteral("確認"), MessageButtons::YesNo, MessageIcon::Question)
        == MessageAnswer::Yes;
    // The book is rebuilt whatever the answer, which also drops records marked unused by
    // earlier runs. The chosen record is left out of the new file rather than marked in the old
    // one first, so an interrupted delete never leaves a marked record behind.
    const store::StoreResult rewritten = store::removeAddress(folder_, confirmed ? number : 0);
    if (!rewritten.ok)
        seams_.messages.warn(this, rewritten.error);
    else if (confirmed)
        Label7->setText(QStringLiteral("削除が完了しました"));
    FillAddressList();
}

void FriendForm::tell(const QString& text)
{
    seams_.messages.show(this, text, QString(), MessageButtons::Ok, MessageIcon::None);
}
