#pragma once
// "サーバー設定": SMTP server, POP3 server, mail address and the APOP choice. Stays above every
// other window while open. "設定" stores and closes; "中止", Esc and the close box close without
// storing. There is deliberately no default button: Enter in a box does not save; Enter on a
// focused button presses that button.

#include "platform/ProgramFolder.h"
#include "platform/Seams.h"
#include "settings/AccountSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class OptionForm : public QDialog {
    Q_OBJECT
public:
    OptionForm(AccountSettings& settings, const ProgramFolder& folder, Seams seams,
               QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* SmtpText;
    QLabel* Label2;
    QLineEdit* Pop3Text;
    QLabel* Label3;
    QLineEdit* MailText;
    QCheckBox* ApopCheck;
    QPushButton* OkCommand;
    QPushButton* CancelCommand;

private:
    void OkCommand_Click();

    AccountSettings& settings_;
    ProgramFolder folder_;
    Seams seams_;
};
