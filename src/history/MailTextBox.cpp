#include "history/MailTextBox.h"

#include "store/KeptMailLine.h"

#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTextBlock>

namespace history {

namespace {

// A press and release this close are a click, not a selection.
constexpr int ClickSlack = 4;

// Where the file name of a line lies, when the line names a file of the attachment folder.
std::optional<std::pair<qsizetype, qsizetype>> fileNameIn(const QString& line)
{
    static const QRegularExpression attachment(QStringLiteral("^Content-Disposition: attachment; filename=\"(.+)\"$"));
    if (const QRegularExpressionMatch m = attachment.match(line); m.hasMatch())
        return std::pair{m.capturedStart(1), m.capturedLength(1)};
    if (const std::optional<QString> kept = store::keptMailName(line)) {
        const qsizetype at = line.indexOf(*kept);
        return std::pair{at, kept->size()};
    }
    return std::nullopt;
}

}  // namespace

MailTextBox::MailTextBox(QWidget* parent) : QTextEdit(parent)
{
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setStyleSheet(QStringLiteral("QLabel { background: rgb(255,255,204); padding: 1px 4px; }"));
    notice_->hide();
    viewport()->setMouseTracking(true);
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!formatting_)
            setNotice({});
    });
}

void MailTextBox::markFileLinks()
{
    formatting_ = true;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const auto name = fileNameIn(block.text());
        if (!name)
            continue;
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + int(name->first));
        cursor.setPosition(block.position() + int(name->first + name->second), QTextCursor::KeepAnchor);
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(block.text().mid(name->first, name->second));
        link.setForeground(QColor(0, 0, 238));
        link.setFontUnderline(true);
        link.setToolTip(QStringLiteral("クリックすると開きます"));
        cursor.mergeCharFormat(link);
    }
    formatting_ = false;
}

void MailTextBox::setNotice(const QString& text)
{
    // Every key typed in the editor asks to hide it: only a change is worth a new layout.
    if (text == notice_->text() && notice_->isHidden() == text.isEmpty())
        return;
    notice_->setText(text);
    notice_->setVisible(!text.isEmpty());
    setViewportMargins(0, text.isEmpty() ? 0 : notice_->sizeHint().height(), 0, 0);
    placeNotice();
}

QString MailTextBox::notice() const { return notice_->isHidden() ? QString() : notice_->text(); }

QString MailTextBox::fileLinkAt(QPoint position) const { return anchorAt(position); }

void MailTextBox::placeNotice()
{
    const QRect inside = contentsRect();
    notice_->setGeometry(inside.left(), inside.top(), inside.width(), notice_->sizeHint().height());
}

void MailTextBox::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    placeNotice();
}

void MailTextBox::mousePressEvent(QMouseEvent* event)
{
    pressedAt_ = event->position().toPoint();
    QTextEdit::mousePressEvent(event);
}

void MailTextBox::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || (at - pressedAt_).manhattanLength() > ClickSlack)
        return;
    if (const QString name = fileLinkAt(at); !name.isEmpty())
        emit fileLinkClicked(name);
}

void MailTextBox::mouseMoveEvent(QMouseEvent* event)
{
    QTextEdit::mouseMoveEvent(event);
    const bool overLink = !fileLinkAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

}  // namespace history
