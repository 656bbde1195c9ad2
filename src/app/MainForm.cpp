#include "app/MainForm.h"

#include "addressbook/FriendForm.h"
#include "app/CheckMail.h"
#include "compose/WriteForm.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "mail/NMailSession.h"
#include "platform/TextBoxes.h"
#include "platform/Twips.h"
#include "roulette/WheelPictures.h"
#include "roulette/WheelSlots.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "settings/SettingsFiles.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const QString HelpPagePath = QStringLiteral("\\help\\index.html");
// The smallest size a help text is drawn in to show it whole.
constexpr double SmallestHelpPoints = 7.0;

// The clock always shows the Japanese system's default forms (year/month/day and H:mm:ss),
// whatever the locale: the compose window copies this text into the date field of stored
// records, which other installations read.
QString clockText(const QDateTime& now)
{
    return now.date().toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("  ")
        + now.time().toString(QStringLiteral("H:mm:ss"));
}

}  // namespace

MainForm::MainForm(Forms& forms)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , forms_(forms)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("zer、ido　新着メールで、ルーレットだよッ！！  Ver 1.51"));
    setWindowIcon(roulette::windowIcon());
    setFixedSize(twips::size(7635, 5160));
    buildWheel();
    buildPanel();

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &MainForm::Timer2_Timer);
    Timer2->start();
}

void MainForm::buildWheel()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips::rect(-120, -120, 7770, 5475));
    Image1->setPixmap(QPixmap::fromImage(roulette::wheelBackground()));
    Image1->setMouseTracking(true);
    Image1->installEventFilter(this);
    helpTexts_.insert(Image1, QString());

    const QPixmap marker = QPixmap::fromImage(roulette::markerImage());
    for (int k = 0; k < roulette::SlotCount; ++k) {
        const roulette::WheelSlot& slot = roulette::WheelSlots[k];
        auto* image = new QLabel(this);
        image->setPixmap(marker);
        image->setGeometry(twips::rect(slot.marker.x(), slot.marker.y(),
                                       roulette::MarkerSizeTwips.width(), roulette::MarkerSizeTwips.height()));
        image->hide();
        Image2[k] = image;
    }
    // The numbers are drawn over the markers, so they are created after them.
    for (const roulette::WheelSlot& slot : roulette::WheelSlots) {
        auto* label = new QLabel(slot.number.toString(), this);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(twips::rect(slot.label.x(), slot.label.y(),
                                       roulette::LabelSizeTwips.width(), roulette::LabelSizeTwips.height()));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        Label5[slot.labelIndex] = label;
    }
}

void MainForm::buildPanel()
{
    Label2 = new QLabel(this);
    Label2->setGeometry(twips::rect(3240, 240, 3615, 375));
    Label2->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 11.25));
    Label2->setStyleSheet(QStringLiteral("color: white; background: transparent;"));

    // Wider than designed, so that the substituted serif font shows the word whole.
    Label1 = new QLabel(QStringLiteral("Roulette"), this);
    Label1->setGeometry(twips::rect(5160, 4580, 1530, 375));
    QFont title(QStringLiteral("Book Antiqua"));
    title.setPointSizeF(15.75);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);
    helpTexts_.insert(Label1,
                      QStringLiteral("新着メールがあると、ルーレットが自動的にスタートし、"
                                     "カウントする効果音が鳴り出します。しばらくすると自動で停止します。"));

    Text2 = new QLineEdit(this);
    Text2->setGeometry(twips::rect(120, 120, 1815, 270));
    Text2->setReadOnly(true);
    Text2->setStyleSheet(QStringLiteral("background: black; color: red;"));

    Text1 = new QPlainTextEdit(this);
    Text1->setGeometry(twips::rect(5520, 2280, 1695, 1245));
    Text1->setReadOnly(true);
    Text1->setStyleSheet(QStringLiteral("background: rgb(0,128,0); color: rgb(255,255,0);"));
    // The pointer cannot reach a scroll bar of the box from the buttons without crossing the
    // wheel, which empties the box: a long help text is drawn smaller, so that it shows whole.
    // The text runs close to the box's edges to need as little shrinking as it can.
    Text1->document()->setDocumentMargin(1);
    showWholeTexts(*Text1, SmallestHelpPoints);

    Command3 = button(QStringLiteral("新規作成"), twips::rect(5520, 3480, 855, 255), QColor(224, 224, 224),
                      QStringLiteral("メールの新規作成・送信を行います。"));
    Command4 = button(QStringLiteral("受信"), twips::rect(6360, 3480, 855, 255), QColor(255, 0, 0),
                      QStringLiteral("新着メールの受信を行います。"));
    Command6 = button(QStringLiteral("着信履歴"), twips::rect(5520, 3720, 855, 255), QColor(192, 192, 255),
                      QStringLiteral("受信したメールを見ます"));
    Command7 = button(QStringLiteral("送信履歴"), twips::rect(6360, 3720, 855, 255), QColor(192, 192, 255),
                      QStringLiteral("送信したメールを見ます"));
    Command5 = button(QStringLiteral("アドレス"), twips::rect(5520, 3960, 855, 255), QColor(192, 192, 255),
                      QStringLiteral("メールアドレスの登録を行います。"));
    Command8 = button(QStringLiteral("設定"), twips::rect(6360, 3960, 855, 255), QColor(255, 255, 255),
                      QStringLiteral("ID,PASS,サーバーの設定を行います。"));
    Command12 = button(QStringLiteral("HP"), twips::rect(5520, 4200, 855, 255), QColor(255, 255, 0),
                       QStringLiteral("メーラー専門店、作者のホームページです。"));
    Command11 = button(QStringLiteral("Small"), twips::rect(6360, 4200, 855, 255), QColor(192, 192, 255),
                       QStringLiteral("フォームの最小化を行います。"));
    Command2 = button(QStringLiteral("Start"), twips::rect(240, 4680, 975, 255), QColor(128, 128, 128),
                      QStringLiteral("メール受信時以外のルーレットをスタートさせます。番号、「赤」または「白」、"
                                     "の賭け方が出来ます。音量注意。"));

    connect(Command3, &QPushButton::clicked, this, [this] { Forms::present(forms_.writeForm(), this); });
    connect(Command4, &QPushButton::clicked, this, [this] {
        Text1->setPlainText(QStringLiteral("メールを受信します。"));
        CheckMail(forms_);
    });
    connect(Command5, &QPushButton::clicked, this, [this] { Forms::present(forms_.friendForm(), this); });
    connect(Command6, &QPushButton::clicked, this, [this] { showHistory(store::HistoryKind::Received); });
    connect(Command7, &QPushButton::clicked, this, [this] { showHistory(store::HistoryKind::Sent); });
    connect(Command8, &QPushButton::clicked, this, [this] { Forms::present(forms_.setForm(), this); });
    connect(Command12, &QPushButton::clicked, this, &MainForm::Command12_Click);
    connect(Command11, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(Command2, &QPushButton::clicked, this, &MainForm::StartRoulette);
}

QPushButton* MainForm::button(const QString& caption, QRect where, QColor background,
                              const QString& helpText)
{
    auto* b = new QPushButton(caption, this);
    b->setGeometry(where);
    b->setAutoDefault(false);
    // Flat-coloured buttons with a raised border, so the background colour shows as designed. The
    // border is thin: the buttons are low for the substituted Japanese font.
    b->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: black; border: 1px outset %1;"
                                    " padding: 0px; }"
                                    "QPushButton:pressed { border-style: inset; }"
                                    "QPushButton:disabled { color: %2; }")
                         .arg(background.name(), background.darker(170).name()));
    b->setMouseTracking(true);
    b->installEventFilter(this);
    helpTexts_.insert(b, helpText);
    return b;
}

void MainForm::Form_Load()
{
    wheel_.BallPosition = 0;
    Text1->setPlainText(QString());
    forms_.writeForm().Check1->setChecked(false);
    ProgramState& state = forms_.state();
    LoadMainSettings(state.account, state.folder);
    tellAboutAnOpenAccountFile();
    nmail::NMailInitializeWinSock();
    nmail::NMailSetOption(1, 8192);
    if (state.account.Pop3Server.isEmpty())
        Forms::present(forms_.optionForm(), this);
}

void MainForm::tellAboutAnOpenAccountFile()
{
    QString error;
    const AccountFileAccess access = NarrowAccountFile(forms_.state().folder, &error);
    // Told once: a narrowed file is private at the next start.
    if (access == AccountFileAccess::Narrowed)
        forms_.seams().messages.warn(this, QStringLiteral(
            "IDとパスワードを保存したファイル (★MAilData の iniIdPass.ini) は、ほかのユーザーも読める状態でした。"
            "このユーザーだけが読めるように変更しました。\n\n"
            "パスワードがほかの人に読まれたおそれがあれば、プロバイダーでパスワードを変えてください。"));
    else if (access == AccountFileAccess::Open)
        forms_.seams().messages.warn(this, QStringLiteral(
            "IDとパスワードを保存したファイルを、ほかのユーザーが読めます。読めないように変更できませんでした。\n%1")
            .arg(error));
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto help = helpTexts_.constFind(watched);
        if (help != helpTexts_.constEnd())
            Text1->setPlainText(*help);
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    Timer2->stop();
    nmail::NMailEndWinSock();
    event->accept();
    emit unloaded();
}

int RunProgram(Forms& forms)
{
    MainForm& main = forms.mainForm();
    // Leaving the event loop ends the program without closing the other windows: their own
    // closing steps do not run. (Quitting the application would close each of them first.)
    QObject::connect(&main, &MainForm::unloaded, &main, [] { QCoreApplication::exit(0); });
    Forms::present(main);
    main.Form_Load();
    return QCoreApplication::exec();
}

void MainForm::Timer2_Timer() { Text2->setText(clockText(forms_.seams().clock.now())); }

void MainForm::showProgress(const QString& text)
{
    if (text.isEmpty()) {
        if (textBeforeProgress_)
            Label2->setText(*textBeforeProgress_);
        textBeforeProgress_.reset();
    } else {
        if (!textBeforeProgress_)
            textBeforeProgress_ = Label2->text();
        Label2->setText(text);
    }
    Label2->repaint();
}

void MainForm::StartRoulette()
{
    Timer1->setInterval(wheel_.start(forms_.seams().random));
    Command2->setEnabled(false);
    Timer1->start();
}

void MainForm::Timer1_Timer()
{
    const roulette::TickResult tick = wheel_.tick();
    if (tick.stepped()) {
        Image2[*tick.hideSlot]->hide();
        Image2[*tick.showSlot]->show();
        forms_.seams().beeper.beep();
    }
    if (tick.intervalMs)
        Timer1->setInterval(*tick.intervalMs);
    if (tick.enableStart)
        Command2->setEnabled(true);
}

void MainForm::showHistory(store::HistoryKind kind)
{
    TyakuForm& viewer = forms_.tyakuForm();
    history::LoadHistory(viewer, forms_.state(), kind);
    Forms::present(viewer, this);
}

void MainForm::Command12_Click()
{
    const QString page = forms_.state().folder.path(HelpPagePath);
    if (!QFileInfo::exists(page)) {
        forms_.seams().messages.warn(this, QStringLiteral("ヘルプのページが見つかりません。\n%1").arg(page));
        return;
    }
    if (!forms_.seams().browser.open(QUrl::fromLocalFile(page)))
        forms_.seams().messages.inform(
            this, QStringLiteral("ブラウザを起動できませんでした。\nヘルプのページは次の場所にあります。\n%1")
                      .arg(page));
}
