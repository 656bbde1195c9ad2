#pragma once
// The address panel on the right of the compose window: the names of an address file in a
// list, their count, and the two options that switch bulk sending on and off. A press on a
// name looks its address up in the address book.

#include "platform/ProgramFolder.h"

#include <QFrame>
#include <QListWidget>

#include <cstdint>
#include <optional>
#include <vector>

class MessageBoxes;
class QLineEdit;
class QRadioButton;

namespace compose {

// A list that reports every mouse press once the press has moved the selection, including a
// press below the last entry, which selects nothing new.
class PressableList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void pressedAnywhere();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class AddressListPanel : public QFrame {
    Q_OBJECT
public:
    AddressListPanel(ProgramFolder folder, MessageBoxes& messages, QWidget* window);

    QLineEdit* Text1;       // the number of entries
    PressableList* List1;   // one name per record, green in bulk mode
    QRadioButton* Option2;  // 一括送信
    QRadioButton* Option1;  // 取消
    // The record number of each entry of List1, in list order, plus one spare element at the
    // end.
    std::vector<std::int16_t> AddressRecordNumbers;

    // Lists every whole record of the address file at path by its name, untrimmed, and shows
    // their count. A missing file is created empty first.
    void fill(const QString& path);

    // The address of record number of the address book without its trailing spaces; nothing
    // when the book has no whole record of that number.
    std::optional<QString> bookAddress(int number) const;

    // On while "一括送信" is selected.
    bool bulkMode() const;
    // Neither option selected, the list white again.
    void endBulkMode();
    void showListWhite();

signals:
    // A name was pressed: the address of its record in the address book, trimmed.
    void addressChosen(const QString& address);
    // "取消" was clicked.
    void bulkCancelled();

private:
    void List1_MouseDown();
    void setListColour(QColor colour);

    ProgramFolder folder_;
    MessageBoxes& messages_;
};

}  // namespace compose
