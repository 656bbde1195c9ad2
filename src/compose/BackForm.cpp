#include "compose/BackForm.h"

#include "compose/AttachmentList.h"
#include "compose/FormParts.h"
#include "compose/SendChecks.h"
#include "compose/SentMail.h"
#include "platform/TextBoxes.h"
#include "platform/TextFields.h"
#include "platform/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>

namespace {

const QString SendErrorTitle = QStringLiteral("送信エラー");
// The reply window has no status line: the error box says what became of the reply.
const QString ReplyKeptNote = QStringLiteral("\n\n返事は送信されていません。内容はそのまま残っています。");

const compose::BoxCaptions Captions{QStringLiteral("宛先"), QStringLiteral("題名"), QStringLiteral("添付File")};

// Where the answer the user copied ends and the received mail begins: three blank-line breaks
// and a lone CR.
const QString ReplySeparator = QStringLiteral("\r\n\r\n\r\n\r");

constexpr int ClientWidthTwips = 7785;
constexpr int ClientHeightTwips = 6000;
constexpr int TwipsPerPixel = 15;

int roundedTwips(double value) { return static_cast<int>(std::lround(value)); }

// A document breaks lines at CR LF, LF and a lone CR alike. The reply's body keeps a lone CR as
// a lone CR, so a block that ended in one carries this mark.
constexpr int EndsInLoneCr = 1;

}  // namespace

BackForm::BackForm(ProgramState& state, Seams seams, FileDialogs& fileDialogs, BackFormHooks hooks,
                   QWidget* parent)
    : QWidget(parent, Qt::Window)
    , state_(state)
    , seams_(seams)
    , hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("BackForm"));
    setWindowTitle(QStringLiteral("返事を出す"));
    resize(twips::size(ClientWidthTwips, ClientHeightTwips));
    buildCommands();
    buildFields();
    attachments_ = new compose::AttachmentList({AttachCommand, Command9, Command10, AttachText, List2},
                                               fileDialogs, seams_.messages, this);
    // The answer is written in the text; on "ホーム" the input method's first Space (its
    // conversion key) would close the reply.
    BodyText->setFocus();
}

void BackForm::buildCommands()
{
    Command1 = button(QStringLiteral("ホーム"), twips::rect(120, 120, 1215, 375));
    Command2 = button(QStringLiteral("送信"), twips::rect(1560, 120, 1215, 375));
    Command3 = button(QStringLiteral("送信中止"), twips::rect(3000, 120, 1215, 375));
    Command4 = button(QStringLiteral("本文に貼付"), twips::rect(4440, 120, 1215, 375));
    // Nothing is sent or kept: both only close the window.
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(Command2, &QPushButton::clicked, this, &BackForm::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &BackForm::Command4_Click);
}

void BackForm::buildFields()
{
    ToText = labelledBox(QStringLiteral("宛先"), twips::rect(1080, 600, 4212, 300));
    ToText->setObjectName(QStringLiteral("ToText"));
    SubjectText = labelledBox(QStringLiteral("題名"), twips::rect(1080, 960, 6150, 300));
    SubjectText->setObjectName(QStringLiteral("SubjectText"));
    AttachText = labelledBox(QStringLiteral("添付File"), twips::rect(1080, 1320, 2800, 300));
    AttachText->setObjectName(QStringLiteral("AttachText"));

    AttachCommand = button(QStringLiteral("添付"), twips::rect(3960, 1320, 792, 300));
    compose::paintButton(AttachCommand, QColor(192, 192, 192));
    Command9 = button(QStringLiteral("追加"), twips::rect(4755, 1320, 855, 300));
    Command10 = button(QStringLiteral("取り消し"), twips::rect(5595, 1320, 855, 300));
    compose::paintButton(Command10, QColor(255, 0, 0));

    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(twips::rect(1080, 1320, 3975, 1860));
    List2->hide();

    BodyText = new QTextEdit(this);
    BodyText->setObjectName(QStringLiteral("BodyText"));
    BodyText->setGeometry(twips::rect(0, 1680, 10455, 5895));
    BodyText->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    // The list drops over the body when it is shown.
    List2->raise();
}

QPushButton* BackForm::button(const QString& caption, QRect where)
{
    auto* b = new QPushButton(caption, this);
    b->setGeometry(where);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* BackForm::labelledBox(const QString& caption, QRect where)
{
    compose::captionPanel(this, caption, QRect(QPoint(0, where.top()), QSize(where.left() - 3, where.height())));
    auto* box = new QLineEdit(this);
    box->setGeometry(where);
    showStartOfSetTexts(*box);
    return box;
}

void BackForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const double width = frameGeometry().width() * TwipsPerPixel;
    const double height = frameGeometry().height() * TwipsPerPixel;
    const int boxWidth = roundedTwips(0.7 * width);
    const int attachWidth = roundedTwips(0.4 * width);
    BodyText->setGeometry(twips::rect(0, 1680, roundedTwips(0.99 * width), roundedTwips(0.74 * height)));
    ToText->setGeometry(twips::rect(1080, 600, boxWidth, 300));
    SubjectText->setGeometry(twips::rect(1080, 960, boxWidth, 300));
    AttachText->setGeometry(twips::rect(1080, 1320, attachWidth, 300));
    AttachCommand->setGeometry(twips::rect(attachWidth + 1240, 1320, 792, 300));
    Command9->setGeometry(twips::rect(attachWidth + 2060, 1320, 855, 300));
    Command10->setGeometry(twips::rect(attachWidth + 2940, 1320, 855, 300));
}

QString BackForm::bodyText() const
{
    QString text;
    for (QTextBlock block = BodyText->document()->begin(); block.isValid(); block = block.next()) {
        text += block.text().replace(QChar::LineSeparator, QStringLiteral("\r\n")).replace(QChar::Nbsp, u' ');
        if (block.next().isValid())
            text += block.userState() == EndsInLoneCr ? QStringLiteral("\r") : QStringLiteral("\r\n");
    }
    return text;
}

void BackForm::setBodyText(const QString& text)
{
    QStringList lines;
    QList<bool> loneCr;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'\r' && text.at(i) != u'\n')
            continue;
        const bool crLf = text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n';
        lines.append(text.mid(start, i - start));
        loneCr.append(text.at(i) == u'\r' && !crLf);
        i += crLf ? 1 : 0;
        start = i + 1;
    }
    lines.append(text.mid(start));
    BodyText->setPlainText(lines.join(u'\n'));
    QTextBlock block = BodyText->document()->begin();
    for (qsizetype i = 0; i < loneCr.size() && block.isValid(); ++i, block = block.next())
        block.setUserState(loneCr.at(i) ? EndsInLoneCr : -1);
}

// A reply that does not go out keeps its window with everything in it, so that it can be sent
// again; the main window comes back only once the reply is on its way.
void BackForm::Command2_Click()
{
    const compose::OutgoingMail mail{ToText->text(), SubjectText->text(), bodyText(), AttachText->text(),
                                     QString::fromLatin1(nmail::replyHeaderLines(thread_))};
    if (!compose::readyToSend(seams_.messages, this, state_.account, mail, Captions))
        return;
    std::optional<QString> failure;
    compose::TrustQuestion trust{seams_.messages, this};
    {
        compose::WaitCursor wait;
        failure = compose::sendMail(state_.account, state_.folder, mail, trust);
    }
    if (failure) {
        seams_.messages.show(this, *failure + ReplyKeptNote, SendErrorTitle, MessageButtons::Ok, MessageIcon::None);
        return;
    }
    close();
    if (hooks_.showMainForm)
        hooks_.showMainForm();
}

// The text the user copied becomes the answer above the received mail's body. The combined text
// is left on the clipboard as well.
void BackForm::Command4_Click()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    setBodyText(clipboard->text() + ReplySeparator + textfields::trimSpaces(state_.ReceivedRecord.Body));
    clipboard->clear();
    clipboard->setText(bodyText());
    setBodyText(textfields::trimSpaces(clipboard->text()));
}
