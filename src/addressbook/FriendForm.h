#pragma once
// "アドレス帳": registers names and mail addresses, lists them in file order and deletes them.
// The window keeps no state beyond its controls: every button reads or rewrites the address
// book file at once. A caller may put an address into Text4 before showing the window (the
// history viewer does so to register a sender); opening does not clear it.

#include "platform/ProgramFolder.h"
#include "platform/Seams.h"

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class FriendForm : public QWidget {
    Q_OBJECT
public:
    FriendForm(const ProgramFolder& folder, Seams seams, QWidget* parent = nullptr);

    QLabel* Label1[3];
    QLineEdit* Text4;        // mail address to register
    QPushButton* Command1;   // 貼付
    QLineEdit* Text2;        // name to register
    QPushButton* Command3;   // ホーム
    QPushButton* Command4;   // 登録
    QPushButton* Command5;   // 削除
    QLineEdit* Text3;        // entry count
    QListWidget* List1;      // one line per record, list index = record number - 1
    QFrame* Picture1;
    QLabel* Label7;          // status line

    // Reloads List1 from the file (creating a missing file empty) and shows the count in Text3.
    void FillAddressList();

private:
    void buildControls();
    void Command1_Click();
    void Command4_Click();
    void DeleteAddress();
    bool AppendAddress(int number);
    void tell(const QString& text);

    ProgramFolder folder_;
    Seams seams_;
};
