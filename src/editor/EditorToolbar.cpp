#include "editor/EditorToolbar.h"

#include "platform/Twips.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolBar>

#include <functional>

namespace editor {

namespace {

constexpr int IconSize = 16;
// A button around a 16-pixel icon; ten of them and the separators end where the strip's own
// buttons begin.
constexpr QSize ButtonSize(23, 22);

struct ToolButtonLayout {
    const char* key;
    QString tooltip;
    bool separatorAfter;
};

QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    draw(painter);
    return QIcon(pixmap);
}

QIcon letterIcon(const QString& letter, void (QFont::*style)(bool))
{
    return drawnIcon([&](QPainter& p) {
        QFont font(QStringLiteral("Serif"));
        font.setPixelSize(13);
        (font.*style)(true);
        p.setFont(font);
        p.drawText(QRect(0, 0, IconSize, IconSize), Qt::AlignCenter, letter);
    });
}

void drawSheet(QPainter& p, const QRectF& sheet)
{
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    for (qreal y = sheet.top() + 3; y < sheet.bottom() - 1; y += 2)
        p.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
}

QIcon printIcon()
{
    return drawnIcon([](QPainter& p) {
        drawSheet(p, QRectF(4.5, 1.5, 7, 6));
        p.setBrush(QColor(192, 192, 192));
        p.drawRoundedRect(QRectF(1.5, 7.5, 13, 6), 1, 1);
        p.setBrush(Qt::green);
        p.drawRect(QRectF(11.5, 9.5, 1.5, 1.5));
    });
}

QIcon cutIcon()
{
    return drawnIcon([](QPainter& p) {
        p.drawLine(QPointF(5, 1), QPointF(10, 10));
        p.drawLine(QPointF(11, 1), QPointF(6, 10));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2.5, 10.5, 4, 4));
        p.drawEllipse(QRectF(9.5, 10.5, 4, 4));
    });
}

QIcon copyIcon()
{
    return drawnIcon([](QPainter& p) {
        drawSheet(p, QRectF(1.5, 1.5, 8, 10));
        drawSheet(p, QRectF(6.5, 4.5, 8, 10));
    });
}

QIcon pasteIcon()
{
    return drawnIcon([](QPainter& p) {
        p.setBrush(QColor(160, 110, 50));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(QRectF(4.5, 1.5, 4, 2));
        drawSheet(p, QRectF(6.5, 6.5, 8, 8));
    });
}

QIcon iconFor(const QString& key)
{
    QStyle* style = QApplication::style();
    if (key == u"New")
        return style->standardIcon(QStyle::SP_FileIcon);
    if (key == u"Open")
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    if (key == u"Save")
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    if (key == u"Print")
        return printIcon();
    if (key == u"Cut")
        return cutIcon();
    if (key == u"Copy")
        return copyIcon();
    if (key == u"Paste")
        return pasteIcon();
    if (key == u"Bold")
        return letterIcon(QStringLiteral("B"), &QFont::setBold);
    if (key == u"Italic")
        return letterIcon(QStringLiteral("I"), &QFont::setItalic);
    return letterIcon(QStringLiteral("U"), &QFont::setUnderline);
}

}  // namespace

Toolbar buildToolbar(QWidget* strip)
{
    const ToolButtonLayout buttons[] = {
        {"New", QStringLiteral("新規作成"), false},
        {"Open", QStringLiteral("開く"), false},
        {"Save", QStringLiteral("名前を付けて保存"), true},
        {"Print", QStringLiteral("印刷"), true},
        {"Cut", QStringLiteral("切り取り"), false},
        {"Copy", QStringLiteral("ｺﾋﾟｰ"), false},
        {"Paste", QStringLiteral("貼り付け"), true},
        {"Bold", QStringLiteral("太字"), false},
        {"Italic", QStringLiteral("斜体"), false},
        {"Underline", QStringLiteral("下線"), false},
    };
    Toolbar t;
    t.tbToolBar = new QToolBar(strip);
    t.tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    t.tbToolBar->setMovable(false);
    t.tbToolBar->setFloatable(false);
    t.tbToolBar->setIconSize(QSize(IconSize, IconSize));
    t.tbToolBar->setContentsMargins(0, 0, 0, 0);
    t.tbToolBar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: none; }"));
    for (const ToolButtonLayout& layout : buttons) {
        const QString key = QString::fromLatin1(layout.key);
        QAction* button = t.tbToolBar->addAction(iconFor(key), layout.tooltip);
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(layout.tooltip);
        t.tbToolBar->widgetForAction(button)->setFixedSize(ButtonSize);
        if (layout.separatorAfter)
            t.tbToolBar->addSeparator();
    }
    auto* fill = new QHBoxLayout(strip);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(t.tbToolBar);
    // The strip's own buttons sit on the toolbar, in front of it.
    t.tbToolBar->lower();

    // The search box and its label lie on the toolbar at fixed places, outside its button row.
    t.searchLabel = new QLabel(QStringLiteral("検索文字"), t.tbToolBar);
    t.searchLabel->setObjectName(QStringLiteral("searchLabel"));
    t.searchLabel->setGeometry(twips::rect(6180, 60, 840, 300));
    t.searchLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    t.Text1 = new QLineEdit(t.tbToolBar);
    t.Text1->setObjectName(QStringLiteral("Text1"));
    t.Text1->setGeometry(twips::rect(7080, 0, 1935, 375));
    QFont searchFont(QStringLiteral("ＭＳ Ｐゴシック"));
    searchFont.setPointSizeF(12);
    t.Text1->setFont(searchFont);
    return t;
}

QAction* toolbarButton(const QToolBar* toolbar, const QString& key)
{
    for (QAction* action : toolbar->actions()) {
        if (action->data().toString() == key)
            return action;
    }
    return nullptr;
}

}  // namespace editor
