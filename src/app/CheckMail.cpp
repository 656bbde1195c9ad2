#include "app/CheckMail.h"

#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/receive/LibraryText.h"
#include "app/receive/ReceiveWorkflow.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "settings/IdPassForm.h"
#include "settings/LoginConsent.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"
#include "store/HistoryFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <optional>

namespace {

const QString ErrorTitle = QStringLiteral("エラー");

class MailCheck {
public:
    // The folders are looked up once: each lookup reads the program folder's entries.
    explicit MailCheck(Forms& forms)
        : forms_(forms), state_(forms.state()), main_(forms.mainForm()),
          attachmentFolder_(state_.folder.path(ProgramFolder::AttachmentFolder)),
          dataFolder_(state_.folder.path(ProgramFolder::DataFolder))
    {
    }

    void run();

private:
    bool foldersPresent();
    // Connects; a certificate the system does not vouch for is put to the user first.
    int connect();
    // Logs in with the stored account and takes every mail that can be stored.
    void takeMail(int handle);
    void report(const ReceiveOutcome& outcome);
    void tell(const QString& text, const QString& title = {}, MessageIcon icon = MessageIcon::Information);

    Forms& forms_;
    ProgramState& state_;
    MainForm& main_;
    const QString attachmentFolder_;
    const QString dataFolder_;
    // The viewer's boxes are filled once, with the last mail stored, when the check ends.
    std::optional<history::ReceivedMail> lastStored_;
    int attachmentFlag_ = 0;
    int stored_ = 0;
    bool failed_ = false;  // the check could not do what it set out to do, and said why
};

void MailCheck::tell(const QString& text, const QString& title, MessageIcon icon)
{
    // A box over a wait cursor would look busy while it waits for the user.
    QGuiApplication::restoreOverrideCursor();
    forms_.seams().messages.show(&main_, text, title, MessageButtons::Ok, icon);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

bool MailCheck::foldersPresent()
{
    // A mail is taken from the server only when it can be kept: its attachments and scratch
    // file go to the attachment folder, its record to the data folder.
    for (const QString& folder : {attachmentFolder_, dataFolder_}) {
        if (!QDir(folder).exists()) {
            tell(QStringLiteral("フォルダ「%1」がありません。メールは受信せず、サーバーに残しました。\n%2")
                     .arg(QDir(folder).dirName(), folder));
            failed_ = true;
            return false;
        }
    }
    return true;
}

int MailCheck::connect()
{
    const std::string server = cp932::encode(state_.account.Pop3Server).toStdString();
    int handle = nmail::NMailPop3Connect(server);
    if (handle == -1) {
        const std::optional<nmail::CertificateFacts> certificate = nmail::NMailUntrustedCertificate();
        if (certificate && !askToTrustCertificate(forms_.seams().messages, &main_, *certificate)) {
            failed_ = true;  // the user decided; nothing more to say
            return -1;
        }
        if (certificate)
            handle = nmail::NMailPop3Connect(server);
    }
    if (handle == -1) {
        tell(libraryMessage(), ErrorTitle,
             nmail::NMailLastFailureSuggestsTampering() ? MessageIcon::Warning : MessageIcon::Information);
        failed_ = true;
    }
    return handle;
}

void MailCheck::takeMail(int handle)
{
    const StoredAccount stored = AccountInUse(state_.folder, state_.account);
    // The ID form shows the account in use. One not loaded yet reads it when it is built, so the
    // check builds it only to ask for what is missing.
    if (IdPassForm* idPass = forms_.loadedIdPassForm()) {
        idPass->IdText->setText(stored.userId);
        idPass->PassText->setText(stored.password);
    }
    state_.account.UserId = stored.userId;
    state_.account.Password = stored.password;
    if (stored.userId.isEmpty() || stored.password.isEmpty()) {
        Forms::present(forms_.idPassForm());
        nmail::NMailPop3Close(handle);
        return;
    }
    forms_.tyakuForm().clearHistoryList();
    auto authenticate = [&] {
        return nmail::NMailPop3Authenticate(handle, cp932::encode(stored.userId).toStdString(),
                                            cp932::encode(stored.password).toStdString(),
                                            state_.account.UseApop != 0 ? -1 : 0);
    };
    int count = authenticate();
    // A password that would cross unencrypted waits for the user's consent; nothing was sent.
    const LoginConsent consent =
        count < 0 ? askUnencryptedLoginIfNeeded(forms_.seams().messages, &main_) : LoginConsent::NotAsked;
    if (consent == LoginConsent::Allowed)
        count = authenticate();
    if (count < 0) {
        if (consent != LoginConsent::Declined)
            tell(libraryMessage(), ErrorTitle);
        failed_ = true;
        nmail::NMailPop3Close(handle);
        return;
    }
    const ReceivePlaces places{dataFolder_, attachmentFolder_,
                               store::historyPath(state_.folder, store::HistoryKind::Received),
                               state_.folder.path(QStringLiteral("\\★MAilData\\pop3-receive-journal.txt")),
                               stored.userId + u'@' + state_.account.Pop3Server};
    ReceiveListener listener;
    listener.progress = [this](int n, int total) { main_.showProgress(QStringLiteral("受信中 %1/%2").arg(n).arg(total)); };
    listener.stored = [this](const history::ReceivedMail& mail, int number) {
        state_.CurrentRecord = static_cast<std::int16_t>(number);
        forms_.tyakuForm().addHistoryLine(QStringLiteral("  ") + mail.subject + QString(10, QLatin1Char(' ')) + mail.date
                                              + QString(10, QLatin1Char(' ')) + mail.sender,
                                          store::HistoryKind::Received, number);
        lastStored_ = mail;
    };
    listener.tell = [this](const QString& text) { tell(text); };
    report(ReceiveWorkflow(places, state_.ReceivedRecord, listener).run(handle, count));
}

void MailCheck::report(const ReceiveOutcome& outcome)
{
    stored_ = outcome.stored;
    attachmentFlag_ = outcome.attachmentFlag;
    // The clock box served as scratch space for the attachment test; the next tick brings the
    // clock back.
    if (stored_ > 0)
        main_.Text2->clear();
    if (!outcome.skipped.isEmpty())
        tell(QStringLiteral("次のメールは保存できなかったので、サーバーに残しました。ほかのメールは受信しました。\n\n")
             + outcome.skipped.join(QStringLiteral("\n\n")));
    if (!outcome.failure.isEmpty()) {
        tell(outcome.failure, ErrorTitle);
        failed_ = true;
    }
}

void MailCheck::run()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    useTrustedCertificatesOf(state_.folder);
    // A mail too large for memory waits where it may be kept.
    nmail::options().spoolFolder = attachmentFolder_;
    if (!state_.account.Pop3Server.isEmpty() && foldersPresent()) {
        const int handle = connect();
        main_.Text1->setPlainText(QStringLiteral("メールのチェックをしています。"));
        if (handle != -1)
            takeMail(handle);
    }
    if (lastStored_) {
        TyakuForm& viewer = forms_.tyakuForm();
        viewer.Text9->setText(lastStored_->subject);
        viewer.Text7->setText(lastStored_->date);
        viewer.Text8->setText(lastStored_->sender);
        viewer.setBodyText(lastStored_->body);
    }
    QGuiApplication::restoreOverrideCursor();
    main_.showProgress({});

    if (attachmentFlag_ == 1) {
        main_.Label2->setText(QStringLiteral("添付ファイルメール。"));
        main_.StartRoulette();
    }
    if (stored_ >= 1) {
        main_.Label2->setText(QStringLiteral("新着メール有り。"));
        main_.StartRoulette();
    } else {
        // A check that failed must not read as an empty mailbox.
        main_.Label2->setText(failed_ ? QStringLiteral("受信できませんでした。") : QStringLiteral("新着メール無し。"));
    }
}

}  // namespace

void CheckMail(Forms& forms) { MailCheck(forms).run(); }
