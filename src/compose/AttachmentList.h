#pragma once
// The attachment row of the sending windows: a button that picks the first file, one that adds
// a further file and shows the list of picked files, and one that drops them all. The picked
// paths are joined with "," in a text box, the form in which the mail library takes them.
//
// Each window builds and places the controls itself; this object gives them their behaviour,
// so the compose and the reply window attach files in exactly the same way.

#include <QObject>
#include <QString>

#include <optional>

class FileDialogs;
class MessageBoxes;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace compose {

class AttachmentList : public QObject {
public:
    struct Controls {
        QPushButton* attach;  // pick the first file
        QPushButton* add;     // add a further file
        QPushButton* drop;    // drop all
        QLineEdit* paths;     // the paths joined with ","
        QListWidget* list;    // one line per picked file, hidden until "add" is pressed
    };

    // The dialog, and the message refusing a file that cannot go with a mail, open over window;
    // the object lives as long as the window.
    AttachmentList(Controls controls, FileDialogs& dialogs, MessageBoxes& messages, QWidget* window);

    // What a send does first: no further file can be added, the list is hidden and the first
    // button is usable again. The paths stay for the send.
    void prepareForSend();
    // Drops every picked file: the text and the list emptied, the list hidden, only the first
    // button usable.
    void dropAll();

private:
    void attachClicked();
    void addClicked();
    // The path the user chose, an empty text when the dialog was cancelled, or nothing when the
    // chosen file was refused (the user has been told why).
    std::optional<QString> pick();

    Controls c_;
    FileDialogs& dialogs_;
    MessageBoxes& messages_;
    QWidget* window_;
};

}  // namespace compose
