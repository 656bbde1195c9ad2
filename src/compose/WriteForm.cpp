#include "compose/WriteForm.h"

#include "compose/AddressListPanel.h"
#include "compose/AttachmentList.h"
#include "compose/FormParts.h"
#include "platform/TextBoxes.h"
#include "platform/Twips.h"
#include "platform/WindowPlacement.h"
#include "store/AddressBookFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {


// The window's sizes are designed as outer sizes, border and title bar included. At the normal
// width of 7100 the client area ends where the address panel begins (6960), and at the height of
// 8200 it ends under the status line (7695): that is the frame to take off.
constexpr int FrameWidthTwips = 7100 - 6960;
constexpr int FrameHeightTwips = 8200 - 7695;
constexpr int OuterHeightTwips = 8200;
constexpr int NormalWidthTwips = 7100;
constexpr int WithAddressPanelWidthTwips = 9700;

// The recipient box holds no more than an address-book address.
constexpr int RecipientMaxLength = 60;

// The greeting phrases offered in "首記例", in this order.
const QStringList GreetingPhrases = {
    QStringLiteral("御社益々ご清祥の事とお慶び申し上げます。"),
    QStringLiteral("平素のご愛顧誠にありがとうございます。"),
    QStringLiteral("平素は格別のご愛顧を賜り深謝申し上げます。"),
    QStringLiteral("いつもお世話になっております。"),
    QStringLiteral("メールありがとうございました。確かに受け取りました。"),
    QStringLiteral("はじめまして、突然のメールで恐縮です。"),
    QStringLiteral("こんにちわ。はじめてメールいたします。"),
    QStringLiteral("こんにちわ。お変わりなく、お元気ですか？"),
};

}  // namespace

WriteForm::WriteForm(ProgramState& state, Seams seams, FileDialogs& fileDialogs, WriteFormHooks hooks,
                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , state_(state)
    , seams_(seams)
    , hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("WriteForm"));
    setWindowTitle(QStringLiteral("新規作成"));
    setOuterWidth(NormalWidthTwips);
    buildCommands();
    buildFields();
    buildAttachmentRow();
    buildBodyAndStatus();
    buildAddressPanel();
    // The attachment list drops over the fortune row and the body when it is shown.
    List2->raise();
    attachments_ = new compose::AttachmentList({AttachCommand, Command9, Command10, AttachText, List2},
                                               fileDialogs, seams_.messages, this);
    // The first box a person fills; on a button, a Space typed at once would press it.
    ToText->setFocus();
}

void WriteForm::setOuterWidth(int widthTwips)
{
    setFixedSize(twips::size(widthTwips - FrameWidthTwips, OuterHeightTwips - FrameHeightTwips));
}

void WriteForm::buildCommands()
{
    Command1 = button(QStringLiteral("送信"), twips::rect(120, 120, 1335, 375),
                      QStringLiteral("送信します。電話回線が接続されていない場合は、自動的に接続してメールを送信します。"));
    // A send cannot be interrupted (the send call blocks), so this button only explains itself.
    Command3 = button(QStringLiteral("送信中止"), twips::rect(120, 600, 1335, 375),
                      QStringLiteral("送信を中止します。"));
    Command4 = button(QStringLiteral("アドレス帳"), twips::rect(1680, 120, 1335, 375),
                      QStringLiteral("このフォーム（新規作成）が拡張され、登録したメールアドレスの名称が一覧（リスト）に"
                                     "現れます。送信したい名称をクリックすると、メールアドレスが自動的に入力されます。"));
    Command5 = button(QStringLiteral("本文に貼付"), twips::rect(1680, 600, 1335, 375),
                      QStringLiteral("本ソフト、他のアプリからのテキスト文書を本文中に貼付けます。"));
    Command6 = button(QStringLiteral("元のサイズ"), twips::rect(3240, 120, 1335, 375),
                      QStringLiteral("アドレス帳を含むサイズから、元のサイズに戻します。"));
    Command7 = button(QStringLiteral("宛先に貼付"), twips::rect(3240, 600, 1335, 375),
                      QStringLiteral("コピーして来た内容を宛先に貼付ます。"));
    Command8 = button(QStringLiteral("ホーム"), twips::rect(4800, 120, 1335, 375),
                      QStringLiteral("メイン画面に戻ります。"));
    Command11 = button(QStringLiteral("クリア"), twips::rect(4800, 600, 1335, 375),
                       QStringLiteral("宛先、件名、本文他、設定等が初期状態に戻せます。"));

    connect(Command1, &QPushButton::clicked, this, &WriteForm::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &WriteForm::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &WriteForm::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &WriteForm::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &WriteForm::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &WriteForm::Command8_Click);
    connect(Command11, &QPushButton::clicked, this, &WriteForm::Command11_Click);
}

void WriteForm::buildFields()
{
    ToText = labelledBox(QStringLiteral("宛先"), 1200);
    ToText->setObjectName(QStringLiteral("ToText"));
    ToText->setMaxLength(RecipientMaxLength);
    SubjectText = labelledBox(QStringLiteral("件名"), 1560);
    SubjectText->setObjectName(QStringLiteral("SubjectText"));

    compose::captionPanel(this, QStringLiteral("首記例"), twips::rect(120, 1920, 1035, 300));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setGeometry(twips::rect(1200, 1920, 5415, 300));
    Combo1->addItems(GreetingPhrases);
    Combo1->setCurrentIndex(-1);
    Combo1->installEventFilter(this);
}

void WriteForm::buildAttachmentRow()
{
    AttachCommand = button(QStringLiteral("添付File"), twips::rect(120, 2280, 855, 300),
                           QStringLiteral("各種ファイルを添付して送信できます。"));
    compose::paintButton(AttachCommand, QColor(192, 192, 192));
    Command9 = button(QStringLiteral("追加"), twips::rect(960, 2280, 855, 300),
                      QStringLiteral("添付ファイルを複数送信する際に使用します。確認しやすいように、"
                                     "リストボックスが表示されます。"));
    Command9->setEnabled(false);
    Command10 = button(QStringLiteral("取り消し"), twips::rect(1800, 2280, 855, 300), QString());
    compose::paintButton(Command10, QColor(255, 0, 0));

    AttachText = new QLineEdit(this);
    AttachText->setObjectName(QStringLiteral("AttachText"));
    AttachText->setGeometry(twips::rect(2640, 2280, 3975, 300));
    showStartOfSetTexts(*AttachText);
    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(twips::rect(2640, 2280, 3975, 1860));
    List2->hide();

    auto* caption = new QLabel(QStringLiteral("★　親しい人に占いを添付する　★ （一括送信では使用不可）"), this);
    caption->setGeometry(twips::rect(1200, 2640, 4935, 300));
    caption->setStyleSheet(QStringLiteral("background: white; color: black;"));
    caption->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    // The check box leaves the caption no room to grow to the right.
    caption->setFont(halfPointSmaller(caption->font()));
    Check1 = new QCheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setAccessibleName(QStringLiteral("占い添付"));
    Check1->setGeometry(twips::rect(6240, 2640, 255, 300));
}

void WriteForm::buildBodyAndStatus()
{
    BodyText = new QPlainTextEdit(this);
    BodyText->setObjectName(QStringLiteral("BodyText"));
    BodyText->setGeometry(twips::rect(120, 3000, 6495, 4335));
    BodyText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BodyText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    for (QWidget* area : {static_cast<QWidget*>(BodyText), BodyText->viewport()}) {
        area->setMouseTracking(true);
        area->installEventFilter(this);
    }

    Text14 = new QPlainTextEdit(this);
    Text14->setObjectName(QStringLiteral("Text14"));
    Text14->setGeometry(twips::rect(720, 5520, 5175, 975));
    Text14->setReadOnly(true);
    Text14->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text14->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text14->setStyleSheet(QStringLiteral("background: rgb(192,255,255); color: black;"));
    // An empty help box would only cover part of the body: it appears with its first text.
    Text14->hide();

    QFrame* statusPanel = compose::greyPanel(this, twips::rect(120, 7320, 6495, 375));
    Label7 = new QLabel(statusPanel);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setGeometry(twips::rect(120, 120, 6015, 300));
    Label7->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
}

void WriteForm::buildAddressPanel()
{
    AddressPanel = new compose::AddressListPanel(state_.folder, seams_.messages, this);
    AddressPanel->fill(store::addressListPath(state_.folder));
    connect(AddressPanel, &compose::AddressListPanel::addressChosen, ToText, &QLineEdit::setText);
    connect(AddressPanel, &compose::AddressListPanel::bulkCancelled, ToText, &QLineEdit::clear);
}

QPushButton* WriteForm::button(const QString& caption, QRect where, const QString& helpText)
{
    auto* b = new QPushButton(caption, this);
    b->setGeometry(where);
    b->setAutoDefault(false);
    if (!helpText.isEmpty())
        watchForHelp(b, helpText);
    return b;
}

QLineEdit* WriteForm::labelledBox(const QString& caption, int top)
{
    compose::captionPanel(this, caption, twips::rect(120, top, 1035, 300));
    auto* box = new QLineEdit(this);
    box->setGeometry(twips::rect(1200, top, 5415, 300));
    showStartOfSetTexts(*box);
    return box;
}

void WriteForm::watchForHelp(QWidget* widget, const QString& helpText)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    helpTexts_.insert(widget, helpText);
}

bool WriteForm::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving the greeting box puts its text in the body, in place of all the body held. A
    // look at its own drop-down list or at another application is not leaving it.
    if (watched == Combo1 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            setBodyText(Combo1->currentText());
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == BodyText || watched == BodyText->viewport()) {
            Text14->hide();
        } else if (const auto help = helpTexts_.constFind(watched); help != helpTexts_.constEnd()) {
            Text14->setPlainText(*help);
            Text14->show();
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString WriteForm::bodyText() const
{
    return BodyText->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void WriteForm::setBodyText(const QString& text)
{
    BodyText->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void WriteForm::Command4_Click()
{
    setOuterWidth(WithAddressPanelWidthTwips);
    // Widened where it stands, so that it does not move over the window it was opened beside.
    keepOnScreen(*this);
    AddressPanel->fill(store::addressBookPath(state_.folder));
}

void WriteForm::Command5_Click() { setBodyText(bodyText() + QGuiApplication::clipboard()->text()); }

void WriteForm::Command7_Click() { ToText->setText(QGuiApplication::clipboard()->text()); }

void WriteForm::Command6_Click()
{
    setOuterWidth(NormalWidthTwips);
    AddressPanel->showListWhite();
    keepOnScreen(*this);
}

void WriteForm::Command8_Click()
{
    AddressPanel->endBulkMode();
    close();
}

void WriteForm::Command11_Click()
{
    unfinished_.reset();  // whatever is written next is a new mail
    clearTexts();
    attachments_->dropAll();
    AddressPanel->endBulkMode();
}

void WriteForm::clearTexts()
{
    ToText->clear();
    SubjectText->clear();
    BodyText->clear();
    AttachText->clear();
    Check1->setChecked(false);
}

void WriteForm::showStatus(const QString& text)
{
    Label7->setText(text);
    // The send blocks the event loop: paint now, or the text would only appear once it is over.
    if (Label7->isVisible())
        Label7->repaint();
}
