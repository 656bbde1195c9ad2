#pragma once
// "返事を出す": the window in which a received mail is answered. The history viewer fills its
// recipient, subject and body and shows it; the user edits the reply, may attach files, and
// sends it. A reply leaves no trace in the sent history; once it is sent the window closes and
// the main window comes to the front, and a reply that could not be sent stays in its window.

#include "app/ProgramState.h"
#include "mail/MessageIds.h"
#include "platform/Seams.h"

#include <QWidget>

#include <functional>

class FileDialogs;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace compose {
class AttachmentList;
}

// What the window needs from the rest of the program.
struct BackFormHooks {
    // Shows the main window, modeless, once the reply has been handed on.
    std::function<void()> showMainForm;
};

class BackForm : public QWidget {
    Q_OBJECT
public:
    BackForm(ProgramState& state, Seams seams, FileDialogs& fileDialogs, BackFormHooks hooks,
             QWidget* parent = nullptr);

    QPushButton* Command1;       // ホーム
    QPushButton* Command2;       // 送信
    QPushButton* Command3;       // 送信中止
    QPushButton* Command4;       // 本文に貼付
    QLineEdit* ToText;           // 宛先
    QLineEdit* SubjectText;      // 題名
    QLineEdit* AttachText;       // 添付File
    QPushButton* AttachCommand;  // 添付
    QPushButton* Command9;       // 追加
    QPushButton* Command10;      // 取り消し
    QListWidget* List2;
    QTextEdit* BodyText;

    // The body's plain text with lines joined by CR LF, as the mail carries it.
    QString bodyText() const;
    void setBodyText(const QString& text);

    // The thread of the mail answered: the reply names it in In-Reply-To and References, so that
    // the recipient's mail program shows it with that mail.
    void setReplyThread(const nmail::ReplyThread& thread) { thread_ = thread; }

protected:
    // The body, the recipient, subject and attachment boxes and the attachment buttons follow
    // the window's outer size.
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildCommands();
    void buildFields();
    QPushButton* button(const QString& caption, QRect where);
    QLineEdit* labelledBox(const QString& caption, QRect where);

    void Command2_Click();
    void Command4_Click();

    ProgramState& state_;
    Seams seams_;
    BackFormHooks hooks_;
    compose::AttachmentList* attachments_;
    nmail::ReplyThread thread_;
};
