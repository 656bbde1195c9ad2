#include "compose/FormParts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace compose {

void paintButton(QPushButton* button, QColor background)
{
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: black; border: 2px outset %1;"
                                         " padding: 0px; }"
                                         "QPushButton:pressed { border-style: inset; }"
                                         "QPushButton:disabled { color: %2; }")
                              .arg(background.name(), background.darker(170).name()));
}

QFrame* greyPanel(QWidget* parent, QRect where)
{
    auto* panel = new QFrame(parent);
    panel->setGeometry(where);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    return panel;
}

void captionPanel(QWidget* parent, const QString& caption, QRect where)
{
    auto* label = new QLabel(caption, greyPanel(parent, where));
    label->setGeometry(label->parentWidget()->rect());
    label->setAlignment(Qt::AlignCenter);
}

}  // namespace compose
