#include "settings/IdPassForm.h"

#include "platform/ButtonKeys.h"
#include "platform/TextBoxes.h"
#include "platform/Twips.h"
#include "settings/SettingsFiles.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

IdPassForm::IdPassForm(AccountSettings& settings, const ProgramFolder& folder, Seams seams,
                       QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , settings_(settings)
    , folder_(folder)
    , seams_(seams)
{
    setObjectName(QStringLiteral("IdPassForm"));
    setWindowTitle(QStringLiteral("ID,PASS"));
    setFixedSize(twips::size(2850, 1890));

    Label1 = new QLabel(QStringLiteral("ID"), this);
    Label1->setGeometry(twips::rect(120, 180, 675, 255));
    IdText = new QLineEdit(this);
    IdText->setObjectName(QStringLiteral("IdText"));
    IdText->setGeometry(twips::rect(960, 120, 1632, 264));

    // Labels reach to the right as far as their boxes allow, so the substituted Japanese font
    // (wider than the designed one) shows them whole.
    Label2[0] = new QLabel(QStringLiteral("Password"), this);
    Label2[0]->setGeometry(twips::rect(120, 600, 840, 255));
    PassText = new QLineEdit(this);
    PassText->setObjectName(QStringLiteral("PassText"));
    PassText->setGeometry(twips::rect(960, 600, 1632, 264));
    PassText->setEchoMode(QLineEdit::Password);
    PassText->setAttribute(Qt::WA_InputMethodEnabled, false);

    // The box has no caption of its own; the label beside it is separate, so clicking the text
    // does not change the box.
    Check1 = new QCheckBox(this);
    Check1->setGeometry(twips::rect(420, 1020, 255, 255));
    Label2[1] = new QLabel(QStringLiteral("IDパスワードを保存する"), this);
    Label2[1]->setGeometry(twips::rect(780, 1020, 2025, 255));

    OKCommand = new QPushButton(QStringLiteral("OK"), this);
    OKCommand->setGeometry(twips::rect(900, 1380, 852, 312));
    OKCommand->setDefault(true);
    CancelCommand = new QPushButton(QStringLiteral("Cancel"), this);
    CancelCommand->setGeometry(twips::rect(1860, 1380, 852, 312));
    CancelCommand->setAutoDefault(false);
    connect(OKCommand, &QPushButton::clicked, this, &IdPassForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &QDialog::reject);
    enterPressesFocusedButton(*this);

    showStartOfSetTexts(*IdText);
    const StoredAccount stored = AccountInUse(folder_, settings_);
    IdText->setText(stored.userId);
    PassText->setText(stored.password);
}

void IdPassForm::OKCommand_Click()
{
    settings_.UserId = SingleLineValue(IdText->text());
    settings_.Password = SingleLineValue(PassText->text());
    settings_.EnteredThisRun = true;
    const bool store = Check1->isChecked();
    const SaveResult saved = SaveAccount(folder_, settings_.UserId, settings_.Password, store);
    // Only a store the user asked for is worth a word; the box state alone carries no behaviour.
    if (store && !saved.ok) {
        seams_.messages.warn(this, QStringLiteral("IDとパスワードを保存できませんでした。\n%1").arg(saved.error));
    }
    accept();
}
