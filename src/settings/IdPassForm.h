#pragma once
// "ID,PASS": the POP3 user ID and password, and the choice to store them in the account file.
// OK (and Enter, unless the focus is on Cancel) takes the entries over for this run and stores
// them when the box is ticked; Cancel, Esc and the close box change nothing. The box starts
// unticked at every opening.

#include "platform/ProgramFolder.h"
#include "platform/Seams.h"
#include "settings/AccountSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class IdPassForm : public QDialog {
    Q_OBJECT
public:
    IdPassForm(AccountSettings& settings, const ProgramFolder& folder, Seams seams,
               QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* IdText;
    QLabel* Label2[2];
    QLineEdit* PassText;
    QCheckBox* Check1;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;

private:
    void OKCommand_Click();

    AccountSettings& settings_;
    ProgramFolder folder_;
    Seams seams_;
};
