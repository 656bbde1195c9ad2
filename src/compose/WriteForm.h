#pragma once
// "新規作成": the window in which a new mail is written and sent. Loaded hidden when the program
// starts, shown by the main window's "新規作成", and unloaded after every send and by "ホーム",
// so each opening starts afresh.
//
// Sending writes the sent-history record of the mail first and then hands the mail to the mail
// library; the window closes once every mail went through. A failed send is reported with the
// library's text and leaves the window with everything in it, ready to send again.
// In bulk mode one such pass is made per entry of the address list, each to the address of the
// address-book record with the pass's number. A ticked fortune box appends a fortune to the body
// in every pass, after its record was written.

#include "app/ProgramState.h"
#include "compose/SentMail.h"
#include "platform/Seams.h"
#include "store/HistoryFile.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class FileDialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace compose {
class AddressListPanel;
class AttachmentList;
}

// What the window needs from the main window.
struct WriteFormHooks {
    // The main window's clock text (date, two spaces, time) at this moment: the sending date.
    std::function<QString()> clockText;
    // Shows how far a bulk send is in the main window at once; an empty text ends the showing.
    std::function<void(const QString&)> showProgress;
};

class WriteForm : public QWidget {
    Q_OBJECT
public:
    WriteForm(ProgramState& state, Seams seams, FileDialogs& fileDialogs, WriteFormHooks hooks,
              QWidget* parent = nullptr);

    // Fills SentRecord from the window and writes it as record `number` of the sent-history
    // file; on success CurrentRecord becomes that number.
    store::StoreResult SaveSentRecord(int number);

    QPushButton* Command1;       // 送信
    QPushButton* Command3;       // 送信中止
    QPushButton* Command4;       // アドレス帳
    QPushButton* Command5;       // 本文に貼付
    QPushButton* Command6;       // 元のサイズ
    QPushButton* Command7;       // 宛先に貼付
    QPushButton* Command8;       // ホーム
    QPushButton* Command11;      // クリア
    QLineEdit* ToText;
    QLineEdit* SubjectText;
    QComboBox* Combo1;           // 首記例
    QPushButton* AttachCommand;  // 添付File
    QPushButton* Command9;       // 追加
    QPushButton* Command10;      // 取り消し
    QLineEdit* AttachText;
    QListWidget* List2;
    QCheckBox* Check1;           // 占い添付
    QPlainTextEdit* BodyText;
    QPlainTextEdit* Text14;      // help box
    QLabel* Label7;              // status line
    // The address list, its count and the bulk-send options: beyond the right edge until
    // "アドレス帳" widens the window.
    compose::AddressListPanel* AddressPanel;

    // Sets the window's width as designed (outer, in twips): 7100 normally, wider to show the
    // address panel.
    void setOuterWidth(int widthTwips);

    // The body as the mail carries it: lines joined with CR LF.
    QString bodyText() const;
    void setBodyText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCommands();
    void buildFields();
    void buildAttachmentRow();
    void buildBodyAndStatus();
    void buildAddressPanel();
    QPushButton* button(const QString& caption, QRect where, const QString& helpText);
    QLineEdit* labelledBox(const QString& caption, int top);
    void watchForHelp(QWidget* widget, const QString& helpText);

    void Command1_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command11_Click();

    // One press of "送信": the mail as the boxes held it (before any fortune), and per pass
    // whether its record is written and whether its mail reached the server.
    struct Attempt {
        compose::OutgoingMail mail;
        bool fortune = false;
        bool bulk = false;
        int passes = 0;
        QSet<int> recorded;
        QSet<int> delivered;
        bool sameMailAs(const Attempt& other) const;
    };
    struct PassOutcome {
        int failed = 0;      // passes whose mail the library refused
        QStringList missed;  // of a bulk send: each such recipient with the reason
        int unlisted = 0;    // list entries without an address-book record
        bool stopped = false;  // the user chose not to send a mail that cannot be recorded
        bool certificateDeclined = false;  // the user would not trust the SMTP server's certificate
    };
    enum class RecordOutcome { Written, Unrecorded, Stop };

    PassOutcome sendPasses(Attempt& attempt);
    // One pass of a send: the record, the fortune, then the mail to recipient. False when the
    // user chose not to send a mail that cannot be recorded.
    bool sendPass(int pass, const QString& recipient, Attempt& attempt, bool& sendWithoutRecord,
                  PassOutcome& outcome);
    RecordOutcome recordPass(bool& sendWithoutRecord);
    compose::OutgoingMail composed(const QString& recipient) const;
    void clearTexts();
    void showStatus(const QString& text);

    ProgramState& state_;
    Seams seams_;
    WriteFormHooks hooks_;
    compose::AttachmentList* attachments_;
    QHash<QObject*, QString> helpTexts_;
    // The last attempt, while it did not get every mail through.
    std::optional<Attempt> unfinished_;
    // How SaveSentRecord makes its record durable: a bulk send flushes its records once, at its
    // end, instead of waiting for the disk before every entry.
    store::Durability recordDurability_ = store::Durability::BeforeReturn;
};
