#pragma once
// The compose and the reply window as the program loads them (deleted on close), in a throw-away
// program folder, with scripted seams and file dialogs, a clock text of our choosing, and a look
// at the program's state whenever a message box comes up.

#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "mail/MailOptions.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedSeams.h"
#include "TempProgramFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <memory>

// Message boxes that answer as the scripted ones do and first let the test look around.
class ObservedMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer showTitled(QWidget* parent, const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override
    {
        if (onShow)
            onShow();
        return scripted.showTitled(parent, text, title, buttons, icon);
    }
    ScriptedMessageBoxes scripted;
    std::function<void()> onShow;
};

// What both windows' fixtures share: the folder, the seams, the program's state.
struct FormFixture {
    explicit FormFixture(bool withDataFolder, QString smtpServer)
        : program(withDataFolder)
        , state(program.folder())
    {
        nmail::options().timeout = std::chrono::seconds(10);
        state.account.SmtpServer = std::move(smtpServer);
        state.account.MailAddress = QStringLiteral("tessa@example.jp");
    }

    Seams formSeams() { return Seams{messages, seams.clock, seams.random, seams.beeper, seams.browser}; }
    QByteArray sentFile() const { return program.read(QStringLiteral("★MAilData/zeldata5.data")); }
    const QList<ShownMessage>& shown() const { return messages.scripted.shown; }

    // True once the window has closed and been destroyed, as the registry's windows are.
    static bool destroyed(const QPointer<QWidget>& window)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }

    TempProgramFolder program;
    ScriptedSeams seams;
    ObservedMessageBoxes messages;
    ScriptedFileDialogs files;
    ProgramState state;
};

struct ComposeFixture : FormFixture {
    explicit ComposeFixture(bool withDataFolder = true, QString smtpServer = QStringLiteral("127.0.0.1:1"))
        : FormFixture(withDataFolder, std::move(smtpServer))
    {
        form = new WriteForm(state, formSeams(), files,
                             WriteFormHooks{[this] { return clockCalled(); },
                                            [this](const QString& text) { progress.append(text); }});
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->show();
    }
    ~ComposeFixture() { delete form.data(); }
    ComposeFixture(const ComposeFixture&) = delete;
    ComposeFixture& operator=(const ComposeFixture&) = delete;

    bool unloaded() { return destroyed(form.data()); }

    QStringList progress;  // what the window showed in the main window while sending

    QString clockCalled()
    {
        cursorWhileRecording = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                              : Qt::ArrowCursor;
        return clock;
    }

    QString clock = QStringLiteral("2026/12/08  9:30:05");
    Qt::CursorShape cursorWhileRecording = Qt::ArrowCursor;
    QPointer<WriteForm> form;
};

struct ReplyFixture : FormFixture {
    explicit ReplyFixture(QString smtpServer = QStringLiteral("127.0.0.1:1"))
        : FormFixture(true, std::move(smtpServer))
    {
        form = new BackForm(state, formSeams(), files, BackFormHooks{[this] { ++mainFormShown; }});
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->show();
    }
    ~ReplyFixture() { delete form.data(); }
    ReplyFixture(const ReplyFixture&) = delete;
    ReplyFixture& operator=(const ReplyFixture&) = delete;

    bool unloaded() { return destroyed(form.data()); }

    QStringList progress;  // what the window showed in the main window while sending

    int mainFormShown = 0;
    QPointer<BackForm> form;
};

// The attachment row of either window.
struct AttachmentRow {
    QPushButton* attach;
    QPushButton* add;
    QPushButton* drop;
    QLineEdit* paths;
    QListWidget* list;
};

// Either sending window in its fixture, with the controls both have.
struct AnyWindow {
    explicit AnyWindow(const QString& kind, QString smtpServer = QStringLiteral("127.0.0.1:1"))
    {
        if (kind == QStringLiteral("compose")) {
            compose = std::make_unique<ComposeFixture>(true, std::move(smtpServer));
            take(*compose, *compose->form, compose->form->Command1);
        } else {
            reply = std::make_unique<ReplyFixture>(std::move(smtpServer));
            take(*reply, *reply->form, reply->form->Command2);
        }
    }
    QWidget* window() const { return compose ? static_cast<QWidget*>(compose->form) : reply->form; }
    QString body() const { return compose ? compose->form->bodyText() : reply->form->bodyText(); }
    void setBody(const QString& text) const
    {
        if (compose)
            compose->form->setBodyText(text);
        else
            reply->form->setBodyText(text);
    }
    bool unloaded() const { return compose ? compose->unloaded() : reply->unloaded(); }
    void write(const QString& toText, const QString& subjectText, const QString& body) const
    {
        to->setText(toText);
        subject->setText(subjectText);
        setBody(body);
    }

    template <typename Form>
    void take(FormFixture& windowFixture, Form& form, QPushButton* sendButton)
    {
        row = {form.AttachCommand, form.Command9, form.Command10, form.AttachText, form.List2};
        to = form.ToText;
        subject = form.SubjectText;
        send = sendButton;
        fixture = &windowFixture;
    }

    std::unique_ptr<ComposeFixture> compose;
    std::unique_ptr<ReplyFixture> reply;
    FormFixture* fixture;
    AttachmentRow row;
    QLineEdit* to;
    QLineEdit* subject;
    QPushButton* send;
};
