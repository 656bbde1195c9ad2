#pragma once
// The main window: the roulette wheel, the clock, the status line, the help box and the column
// of buttons that open everything else. Closing it ends the program.

#include "app/Forms.h"
#include "roulette/RouletteWheel.h"
#include "store/HistoryRecord.h"

#include <QHash>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class MainForm : public QWidget {
    Q_OBJECT
public:
    explicit MainForm(Forms& forms);

    // The start-up steps that follow the window's creation: settings, mail library, and the
    // server settings window when no account is set up yet.
    void Form_Load();

    void StartRoulette();
    void Timer1_Timer();
    // Shows how far a long operation (a mail check, a bulk send) is in Label2 and repaints that
    // line at once, while the operation keeps the event loop waiting: nothing else is painted
    // and no input is taken meanwhile. An empty text gives Label2 back its text from before.
    void showProgress(const QString& text);
    void Timer2_Timer();

    QLabel* Image1;
    std::array<QLabel*, 16> Image2{};
    std::array<QLabel*, 16> Label5{};
    QLabel* Label2;
    QLabel* Label1;
    QLineEdit* Text2;
    QPlainTextEdit* Text1;
    QPushButton* Command3;   // 新規作成
    QPushButton* Command4;   // 受信
    QPushButton* Command6;   // 着信履歴
    QPushButton* Command7;   // 送信履歴
    QPushButton* Command5;   // アドレス
    QPushButton* Command8;   // 設定
    QPushButton* Command12;  // HP
    QPushButton* Command11;  // Small
    QPushButton* Command2;   // Start
    QTimer* Timer1;
    QTimer* Timer2;

signals:
    // Emitted once the window has closed and the mail library is released; the program ends.
    void unloaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The account file holds the password: narrowed to its owner at start, and the user told.
    void tellAboutAnOpenAccountFile();
    void buildWheel();
    void buildPanel();
    QPushButton* button(const QString& caption, QRect where, QColor background,
                        const QString& helpText);
    void showHistory(store::HistoryKind kind);
    void Command12_Click();

    Forms& forms_;
    roulette::RouletteWheel wheel_;
    QHash<QObject*, QString> helpTexts_;
    std::optional<QString> textBeforeProgress_;
};

// Shows the main window, runs its start-up and then the program's events until the main window
// closes; returns the program's exit code. The other windows are left as they are, without their
// closing steps, for the owner of the forms to discard.
int RunProgram(Forms& forms);
