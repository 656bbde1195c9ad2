// Every window of the program, with the fonts the program installs: each label, button, check
// box, option button and group caption must hold its whole text. The font's metrics say where
// the text's pixels go (its advance, the ink of its glyphs, the access-key underline), placed as
// the styles place captions; all of them must fall inside the rectangle the style draws the
// text in.

#include "CheckMailProgram.h"
#include "addressbook/FriendForm.h"
#include "app/DesktopSetup.h"
#include "app/MainForm.h"
#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "history/TyakuForm.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

// The text as drawn: an "&" before a character marks the access key and is not drawn ("&&" is
// one "&"). Sets underlined when an access key is drawn underlined.
QString drawnText(const QString& text, bool mnemonics, bool* underlined)
{
    *underlined = false;
    if (!mnemonics)
        return text;
    QString drawn;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size()) {
            ++i;
            *underlined = *underlined || text.at(i) != u'&';
        }
        drawn.append(text.at(i));
    }
    return drawn;
}

// The pixels the text covers when the styles draw it into room, as they draw every caption:
// lines one font line apart, the block placed by the vertical alignment (centred unless the
// widget says otherwise), each baseline on a whole pixel as the hinted glyphs are drawn. The
// width is the lines' advance; the rows run from the top of the glyphs' ink to the bottom of
// the ink or of the access-key underline, whichever is lower.
QRect drawnArea(const QString& drawn, bool underlined, const QFont& font, QRect room, Qt::Alignment alignment)
{
    const QFontMetrics metrics(font);
    const QStringList lines = drawn.split(u'\n');
    const int blockHeight = metrics.lineSpacing() * static_cast<int>(lines.size() - 1) + metrics.height();
    double top = room.top();
    if (alignment & Qt::AlignBottom)
        top = room.bottom() + 1 - blockHeight;
    else if (!(alignment & Qt::AlignTop))
        top = room.top() + (room.height() - blockHeight) / 2.0;
    QRect area;
    for (int i = 0; i < lines.size(); ++i) {
        const int baseline = static_cast<int>(std::floor(top + metrics.ascent() + metrics.lineSpacing() * i + 0.5));
        const QRect ink = metrics.tightBoundingRect(lines[i]);
        QRect line(room.left(), baseline + ink.top(), metrics.horizontalAdvance(lines[i]), ink.height());
        if (underlined)
            line.setBottom(qMax(line.bottom(), baseline + metrics.underlinePos() + metrics.lineWidth() - 1));
        area = area.united(line);
    }
    return area;
}

QStyleOptionButton buttonOption(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
    }
    return option;
}

// Where the style draws the text of the widget; an empty rectangle when the widget draws no
// text of its own.
QRect textRoom(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const int margin = label->margin();
        QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        if (label->indent() > 0)
            room.adjust(label->indent(), 0, 0, 0);
        return room;
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
        const QStyleOptionButton option = buttonOption(check);
        return check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
        const QStyleOptionButton option = buttonOption(radio);
        return radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
    }
    if (const auto* push = qobject_cast<const QPushButton*>(widget)) {
        const QStyleOptionButton option = buttonOption(push);
        return push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
    }
    if (const auto* tool = qobject_cast<const QToolButton*>(widget))
        return tool->toolButtonStyle() == Qt::ToolButtonIconOnly ? QRect() : tool->contentsRect();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        return group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    }
    return {};
}

QString textOf(const QWidget* widget, bool* mnemonics)
{
    *mnemonics = true;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        // A label draws its access key only when it has a buddy to give the focus to.
        *mnemonics = label->buddy() != nullptr;
        return label->textFormat() == Qt::RichText ? QString() : label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    return {};
}

Qt::Alignment alignmentOf(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->alignment();
    return Qt::AlignVCenter;
}

// One line per text of the window that its rectangle cuts.
QStringList cutTexts(QWidget& window)
{
    QStringList cut;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        bool mnemonics = false;
        const QString text = textOf(widget, &mnemonics);
        const QRect room = textRoom(widget);
        if (text.isEmpty() || room.isNull())
            continue;
        bool underlined = false;
        const QString drawn = drawnText(text, mnemonics, &underlined);
        const QRect area = drawnArea(drawn, underlined, widget->font(), room, alignmentOf(widget));
        if (area.width() > room.width() || area.top() < room.top() || area.bottom() > room.bottom())
            cut.append(QStringLiteral("%1 \"%2\" (%3pt): drawn %4 px wide over rows %5 to %6, "
                                      "has %7 px over rows %8 to %9")
                           .arg(QString::fromLatin1(widget->metaObject()->className()), text)
                           .arg(widget->font().pointSizeF())
                           .arg(area.width())
                           .arg(area.top())
                           .arg(area.bottom())
                           .arg(room.width())
                           .arg(room.top())
                           .arg(room.bottom()));
    }
    return cut;
}

using Opener = std::function<QWidget&(Forms&)>;

}  // namespace

Q_DECLARE_METATYPE(Opener)

class TextFitsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The fonts main() installs: the designed names resolve to the installed Japanese font.
        desktopsetup::installFonts(*qApp);
    }

    void everyTextFitsItsControl_data()
    {
        QTest::addColumn<Opener>("open");
        QTest::newRow("MainForm") << Opener([](Forms& f) -> QWidget& { return f.mainForm(); });
        QTest::newRow("SetForm") << Opener([](Forms& f) -> QWidget& { return f.setForm(); });
        QTest::newRow("OptionForm") << Opener([](Forms& f) -> QWidget& { return f.optionForm(); });
        QTest::newRow("IdPassForm") << Opener([](Forms& f) -> QWidget& { return f.idPassForm(); });
        QTest::newRow("WriteForm") << Opener([](Forms& f) -> QWidget& { return f.writeForm(); });
        QTest::newRow("WriteForm with address panel") << Opener([](Forms& f) -> QWidget& {
            WriteForm& form = f.writeForm();
            form.Command4->click();
            return form;
        });
        QTest::newRow("BackForm") << Opener([](Forms& f) -> QWidget& { return f.backForm(); });
        QTest::newRow("TyakuForm") << Opener([](Forms& f) -> QWidget& { return f.tyakuForm(); });
        QTest::newRow("FriendForm") << Opener([](Forms& f) -> QWidget& { return f.friendForm(); });
    }
    void everyTextFitsItsControl()
    {
        QFETCH(Opener, open);
        CheckMailProgram program(QStringLiteral("pop.example.jp"));
        QWidget& window = open(program.forms);
        Forms::present(window);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList cut = cutTexts(window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    }
};

QTEST_MAIN(TextFitsTest)
#include "text_fits_test.moc"
