#include "settings/SetForm.h"

#include "platform/Twips.h"

#include <QPushButton>

SetForm::SetForm(std::function<void()> openIdPass, std::function<void()> openServer,
                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("SetForm"));
    setWindowTitle(QStringLiteral("設定"));
    // Tall enough for the two buttons with the same margin below as above them.
    setFixedSize(twips::size(3135, 615));

    Command1 = new QPushButton(QStringLiteral("ID/PASS"), this);
    Command1->setGeometry(twips::rect(120, 120, 1455, 375));
    Command2 = new QPushButton(QStringLiteral("POPサーバー"), this);
    Command2->setGeometry(twips::rect(1560, 120, 1455, 375));
    connect(Command1, &QPushButton::clicked, this, std::move(openIdPass));
    connect(Command2, &QPushButton::clicked, this, std::move(openServer));
}
