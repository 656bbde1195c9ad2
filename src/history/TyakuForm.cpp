#include "history/TyakuForm.h"

#include "editor/TextEditor.h"
#include "history/AttachmentFiles.h"
#include "history/HistoryDeletion.h"
#include "history/ShownMail.h"
#include "platform/TextBoxes.h"
#include "platform/TextFields.h"
#include "platform/Twips.h"
#include "store/HistoryFile.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cmath>

namespace {

const QString ListFont = QStringLiteral("ＭＳ Ｐゴシック");

// Design size of the client area, in twips.
constexpr int DesignWidth = 9450;
constexpr int DesignHeight = 6810;
// Where the window's load puts the text box; the layout keeps this left edge.
constexpr int BodyLeft = 20;
constexpr int BodyTop = 3900;
constexpr int BoxHeight = 375;

QFont fontOf(const QString& family, double points)
{
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

// Places a control by its twip geometry; layout rules compute fractions of twips.
void place(QWidget* widget, double left, double top, double width, double height)
{
    const auto whole = [](double value) { return static_cast<int>(std::lround(value)); };
    widget->setGeometry(twips::rect(whole(left), whole(top), whole(width), whole(height)));
}

}  // namespace

const QColor TyakuForm::ListColour(255, 224, 192);
const QColor TyakuForm::HistoryListColour(144, 238, 144);

TyakuForm::TyakuForm(ProgramState& state, Seams seams, QWidget* parent, editor::EditorDialogs* editorDialogs)
    : QMainWindow(parent), state_(state), seams_(seams)
{
    setObjectName(QStringLiteral("TyakuForm"));
    client_ = new QWidget(this);
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    buildStrips(client_);
    buildButtons(client_);
    buildMailBoxes(client_);
    buildMenus();
    textEditor = new editor::TextEditor(
        {this, Picture1, rtfEd, mnew, mopen, msave, mprint, mend, mall, matamajump, mbunmatujump, mkensaku,
         mtugikensaku, mcut, mcopy, mpaste},
        {state_.editorState, state_.EditorModified, state_.CurrentFile}, seams_.messages, editorDialogs,
        state_.folder.root());
    resize(twips::toPixels(DesignWidth), twips::toPixels(DesignHeight) + menuBar()->sizeHint().height());
    Form_Load();
    setKeyboardOrder();
}

// The keys reach the list first, then the buttons that act on the mail it shows, then the mail.
void TyakuForm::setKeyboardOrder()
{
    const QList<QWidget*> order = {List1, Command1, Command3, Command4, Command5, Text7, Text8, Text9, rtfEd, Command2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    List1->setFocus();
}

void TyakuForm::buildStrips(QWidget* client)
{
    Picture1 = new QWidget(client);
    Picture1->setGeometry(twips::rect(0, 0, 9180, 450));
    Command2 = new QPushButton(QStringLiteral("ホーム"), Picture1);
    Command2->setGeometry(twips::rect(3960, 0, 855, 340));
    Command2->setAutoDefault(false);
    Command2->setStyleSheet(QStringLiteral("QPushButton { background: rgb(192,192,192); }"));
    // Closing runs the window's own closing steps, as the close box does.
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);

    Picture2 = new QWidget(client);
    Picture2->setGeometry(twips::rect(0, 1080, 10095, 375));
    Label1 = new QLabel(QStringLiteral("Date/ From/ Subject"), Picture2);
    Label1->setGeometry(twips::rect(120, 75, 2295, 255));
}

void TyakuForm::buildButtons(QWidget* client)
{
    const auto button = [this, client](const QString& caption, int left, const QString& help) {
        auto* b = new QPushButton(caption, client);
        b->setGeometry(twips::rect(left, 600, 1455, 375));
        b->setAutoDefault(false);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        helpTexts_.insert(b, help);
        return b;
    };
    Command1 = button(QStringLiteral("１件削除"), 480,
                      QStringLiteral("メールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して下さい。"));
    Command3 = button(QStringLiteral("アドレス帳登録"), 2160,
                      QStringLiteral("メールアドレスをアドレス帳に登録します。"
                                     "リストからメールを選択（クリック）してから実行して下さい。"));
    Command4 = button(QStringLiteral("返事を出す"), 3840,
                      QStringLiteral("受信したメールに返事を出します。リストからメールを選択（クリック）してから実行して下さい。"));
    Command5 = button(QStringLiteral("全件削除"), 5520, QStringLiteral("受信したメール全件削除します。"));
    connect(Command1, &QPushButton::clicked, this,
            [this] { history::Command1_Click(*this, state_, seams_.messages); });
    connect(Command5, &QPushButton::clicked, this,
            [this] { history::Command5_Click(*this, state_, seams_.messages); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { history::Command3_Click(*this, state_, seams_.messages); });
    connect(Command4, &QPushButton::clicked, this,
            [this] { history::Command4_Click(*this, state_, seams_.messages); });

    Label4 = new QLabel(QStringLiteral("件数"), client);
    Label4->setGeometry(twips::rect(7320, 720, 495, 255));
    Label4->setFont(fontOf(ListFont, 11.25));
    Text2 = new QLineEdit(client);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twips::rect(7920, 720, 495, 270));
}

void TyakuForm::buildMailBoxes(QWidget* client)
{
    List1 = new history::HistoryList(client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twips::rect(0, 1440, 9975, 1425));
    List1->setFont(fontOf(ListFont, 9.75));
    QPalette colours = List1->palette();
    colours.setColor(QPalette::Base, ListColour);
    List1->setPalette(colours);
    List1->viewport()->setMouseTracking(true);
    List1->viewport()->installEventFilter(this);
    connect(List1, &history::HistoryList::mouseDown, this, &TyakuForm::List1_MouseDown);
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        const std::optional<int> line = List1->selectedLine();
        if (line && !List1->pressing())
            showLine(*line);
    });

    const auto box = [client](const QString& name, int left, int width) {
        auto* e = new QLineEdit(client);
        e->setObjectName(name);
        e->setGeometry(twips::rect(left, 2880, width, BoxHeight));
        e->setFont(fontOf(ListFont, 9.75));
        showStartOfSetTexts(*e);
        return e;
    };
    Text7 = box(QStringLiteral("Text7"), 0, 2295);
    Text8 = box(QStringLiteral("Text8"), 2280, 3255);
    Text9 = box(QStringLiteral("Text9"), 5520, 4575);

    rtfEd = new history::MailTextBox(client);
    rtfEd->setObjectName(QStringLiteral("rtfEd"));
    rtfEd->setAcceptRichText(false);
    rtfEd->setFont(fontOf(QStringLiteral("ＭＳ ゴシック"), 11.25));
    rtfEd->setGeometry(twips::rect(360, 3960, 10455, 3735));
    connect(rtfEd, &history::MailTextBox::fileLinkClicked, this, [this](const QString& name) {
        history::openAttachmentFile(this, attachmentFolder(), name, seams_.browser, seams_.messages);
    });

    // The help box starts hidden: empty, it would only cover part of the mail text.
    Text4 = new QPlainTextEdit(client);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setGeometry(twips::rect(2640, 5520, 5535, 1215));
    Text4->setReadOnly(true);
    Text4->hide();

    lstLst = new QListWidget(client);
    lstLst->setObjectName(QStringLiteral("lstLst"));
}

void TyakuForm::buildMenus()
{
    mFile = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    mnew = mFile->addAction(QStringLiteral("新規作成"));
    mopen = mFile->addAction(QStringLiteral("開く"));
    msave = mFile->addAction(QStringLiteral("名前を付けて保存"));
    mprint = mFile->addAction(QStringLiteral("印刷"));
    mFile->addSeparator();
    mattachments = mFile->addAction(QStringLiteral("添付フォルダを開く"));
    connect(mattachments, &QAction::triggered, this, [this] {
        history::openAttachmentFolder(this, attachmentFolder(), seams_.browser, seams_.messages);
    });
    mFile->addSeparator();
    mend = mFile->addAction(QStringLiteral("終了"));
    medit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mall = medit->addAction(QStringLiteral("全て選択"));
    matamajump = medit->addAction(QStringLiteral("文頭へジャンプ"));
    mbunmatujump = medit->addAction(QStringLiteral("文末へジャンプ"));
    medit->addSeparator();
    mkensaku = medit->addAction(QStringLiteral("検索"));
    mtugikensaku = medit->addAction(QStringLiteral("次を検索"));
    medit->addSeparator();
    mcut = medit->addAction(QStringLiteral("切り取り"));
    mcopy = medit->addAction(QStringLiteral("コピー"));
    mpaste = medit->addAction(QStringLiteral("貼付け"));
}

void TyakuForm::Form_Load()
{
    const double w = frameGeometry().width() * 15.0;
    place(rtfEd, BodyLeft, BodyTop, w * 0.98, rtfEd->height() * 15.0);
    place(List1, 0, 1440, w * 0.99, List1->height() * 15.0);
    retryOrSkip([this] {
        lstLst->hide();
        return true;
    });
    retryOrSkip([this] { return textEditor->LoadCurrentFile(); });
    state_.EditorModified = false;
    retryOrSkip([this] {
        lstLst->hide();
        rtfEd->show();
        return true;
    });
}

void TyakuForm::retryOrSkip(const std::function<bool()>& step)
{
    const QString title = ApplicationTitle + QStringLiteral("  Form_LoadError");
    while (!step()) {
        if (seams_.messages.show(this, QString(), title, MessageButtons::OkCancel, MessageIcon::Warning)
            != MessageAnswer::Ok)
            return;
    }
}

void TyakuForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void TyakuForm::Form_Resize()
{
    // The rules work on the outer size of the window, frame and menu bar included.
    const double w = frameGeometry().width() * 15.0;
    const double h = frameGeometry().height() * 15.0;
    const double listHeight = h * 0.25;
    const double boxesTop = listHeight + 1440;
    const double bodyWidth = w * 0.99;
    place(List1, 0, 1440, w * 0.99, listHeight);
    place(Picture1, 0, 0, w, 450);
    place(Picture2, 0, 1080, w, 375);
    place(rtfEd, BodyLeft, listHeight + 1800, bodyWidth, h * 0.5);
    place(Text7, BodyLeft, boxesTop, w * 0.2, BoxHeight);
    place(Text8, bodyWidth * 0.2, boxesTop, w * 0.35, BoxHeight);
    place(Text9, bodyWidth * 0.55, boxesTop, w * 0.54, BoxHeight);
}

QString TyakuForm::bodyText() const
{
    return rtfEd->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString TyakuForm::shownText(const QString& text)
{
    QString shown = textfields::withCrLf(text);
    // A document's paragraph and line separators and its frame marks read back as line ends,
    // and a no-break space as a space.
    for (const char16_t mark : {u'\u2029', u'\u2028', u'\ufdd0', u'\ufdd1'}) {
        if (shown.contains(QChar(mark)))
            shown.replace(QChar(mark), QStringLiteral("\r\n"));
    }
    shown.replace(QChar::Nbsp, u' ');
    return shown;
}

void TyakuForm::setBodyText(const QString& text)
{
    // The text box would read CR and LF each as a paragraph end, doubling every stored line end.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    rtfEd->setPlainText(lines);
}

void TyakuForm::clearHistoryList() { List1->clear(); }

void TyakuForm::addHistoryLine(const QString& text, store::HistoryKind kind, int record)
{
    List1->addRecordLine(text, kind, record);
}

QString TyakuForm::attachmentFolder() const { return state_.folder.path(ProgramFolder::AttachmentFolder); }

void TyakuForm::showRecord(const store::HistoryRecord& record, store::HistoryKind kind)
{
    const history::ShownMail shown = history::shownMail(record, kind, attachmentFolder());
    Text7->setText(shown.date);
    Text8->setText(shown.address);
    Text9->setText(shown.subject);
    setBodyText(shown.body);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(rtfEd->toPlainText());
    setBodyText(textfields::trimSpaces(clipboard->text()));
    rtfEd->markFileLinks();
    rtfEd->setNotice(shown.notice);
}

void TyakuForm::List1_MouseDown()
{
    const std::optional<int> line = List1->selectedLine();
    if (!line) {
        seams_.messages.showTitled(this, QStringLiteral("データが選択されていません"), QString(), MessageButtons::Ok,
                                   MessageIcon::Warning);
        List1->setFocus();
        return;
    }
    showLine(*line);
}

bool TyakuForm::showLine(int line)
{
    const auto shown = state_.HistoryKind == 2 ? store::HistoryKind::Sent : store::HistoryKind::Received;
    const history::LineTarget target = List1->target(line, shown);
    const QString path = store::historyPath(state_.folder, target.kind);
    const std::optional<store::HistoryRecord> record = store::readRecord(path, target.record);
    if (!record) {
        seams_.messages.warn(this, QStringLiteral("履歴ファイルからこのメールを読めませんでした。\n%1").arg(path));
        return false;
    }
    (target.kind == store::HistoryKind::Received ? state_.ReceivedRecord : state_.SentRecord) = *record;
    showRecord(*record, target.kind);
    return true;
}

bool TyakuForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto help = helpTexts_.constFind(watched);
        const bool overBackground = watched == client_
            && !client_->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (help != helpTexts_.constEnd())
            showHelp(*help);
        else if (overBackground || watched == List1->viewport())
            showHelp(QString());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TyakuForm::showHelp(const QString& text)
{
    Text4->setPlainText(text);
    Text4->setVisible(!text.isEmpty());
    // Over the text box the help must stay readable.
    Text4->raise();
}
