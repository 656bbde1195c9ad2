#include "app/CheckMail.h"

#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/ReceivedFiles.h"
#include "app/UnconfirmedDeletions.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "platform/DiskSync.h"
#include "settings/IdPassForm.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"
#include "store/HistoryFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int BufferSize = 8192;
const QString AttachmentNote =
    QStringLiteral("\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
// A body longer than this is cut in its record; the whole mail is then kept as a file.
constexpr qsizetype StoredBodyBytes = 20000;
const qsizetype AttachmentNoteBytes = cp932::encode(AttachmentNote).size();
const QString ErrorTitle = QStringLiteral("エラー");
const QString KeptOnServer = QStringLiteral("\n\nこのメールと残りのメールはサーバーに残してあります。");

// The text before the first NUL of a buffer the mail library filled, as code page 932.
QByteArray CutAtNull(const std::vector<char>& buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return QByteArray(buffer.data(), end - buffer.begin());
}

// The mail library's text for its last failure.
QString libraryMessage()
{
    std::vector<char> message(BufferSize);
    int length = BufferSize;
    nmail::NMailGetMessage(0, message, length);
    return cp932::decode(CutAtNull(message));
}

class MailCheck {
public:
    // The folders are looked up once: each lookup reads the program folder's entries.
    explicit MailCheck(Forms& forms)
        : forms_(forms), state_(forms.state()), main_(forms.mainForm()),
          attachmentFolder_(state_.folder.path(ProgramFolder::AttachmentFolder)),
          dataFolder_(state_.folder.path(ProgramFolder::DataFolder)),
          historyPath_(store::historyPath(state_.folder, store::HistoryKind::Received))
    {
    }

    void run();

private:
    bool foldersPresent();
    // Connects; a certificate the system does not vouch for is put to the user first.
    int connect();
    // Logs in with the stored account and takes every mail that can be stored.
    void takeMail(int handle);
    // Takes mail number n; false when it could not be stored (it stays on the server).
    bool receive(int handle, int n, const QByteArray& uidl);
    // Writes the attachments of the mail just fetched; false when one could not be written.
    // raw receives the server's copy when the record cannot hold everything the mail carried.
    bool expandAttachments(const QByteArray& header, const QByteArray& text, QByteArray& raw);
    bool askDeletion(int handle, int n, const QByteArray& uidl);
    // Makes everything stored reach the disk before the server commits the deletions.
    void finish(int handle);
    // Ends the check after a failed command: the session is over.
    bool connectionBroken();
    void showProgress(int n, int count);
    void tell(const QString& text, const QString& title = {});

    Forms& forms_;
    ProgramState& state_;
    MainForm& main_;
    const QString attachmentFolder_;
    const QString dataFolder_;
    const QString historyPath_;
    std::vector<char> subject_ = std::vector<char>(BufferSize);
    std::vector<char> date_ = std::vector<char>(BufferSize);
    std::vector<char> sender_ = std::vector<char>(BufferSize);
    std::vector<char> header_ = std::vector<char>(BufferSize);
    std::vector<char> text_;
    std::unique_ptr<ScratchFile> scratch_;
    std::optional<UnconfirmedDeletions> unconfirmed_;
    // The viewer's boxes are filled once, with the last mail stored, when the check ends.
    std::optional<history::ReceivedMail> lastStored_;
    int attachmentFlag_ = 0;
    int stored_ = 0;
    int deletionsAsked_ = 0;
    bool failed_ = false;  // the check could not do what it set out to do, and said why
};

void MailCheck::tell(const QString& text, const QString& title)
{
    // A box over a wait cursor would look busy while it waits for the user.
    QGuiApplication::restoreOverrideCursor();
    forms_.seams().messages.show(&main_, text, title, MessageButtons::Ok, MessageIcon::Information);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void MailCheck::showProgress(int n, int count)
{
    main_.showProgress(QStringLiteral("受信中 %1/%2").arg(n).arg(count));
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
        tell(libraryMessage(), ErrorTitle);
        failed_ = true;
    }
    return handle;
}

void MailCheck::takeMail(int handle)
{
    const StoredAccount stored = AccountInUse(state_.folder, state_.account);
    IdPassForm& idPass = forms_.idPassForm();
    idPass.IdText->setText(stored.userId);
    idPass.PassText->setText(stored.password);
    state_.account.UserId = stored.userId;
    state_.account.Password = stored.password;
    if (stored.userId.isEmpty() || stored.password.isEmpty()) {
        Forms::present(idPass);
        return;
    }
    forms_.tyakuForm().clearHistoryList();
    const int count = nmail::NMailPop3Authenticate(handle, cp932::encode(stored.userId).toStdString(),
                                                   cp932::encode(stored.password).toStdString(),
                                                   state_.account.UseApop != 0 ? -1 : 0);
    if (count < 0) {
        tell(libraryMessage(), ErrorTitle);
        failed_ = true;
        return;
    }
    unconfirmed_.emplace(state_.folder.path(QStringLiteral("\\★MAilData\\pop3-unconfirmed-deletions.txt")),
                         stored.userId + u'@' + state_.account.Pop3Server);
    scratch_ = std::make_unique<ScratchFile>(attachmentFolder_);
    std::vector<char> uidl(1024);
    for (int n = 1; n <= count; ++n) {
        showProgress(n, count);
        nmail::NMailPop3GetMailUidl(handle, n, uidl);
        const QByteArray id = CutAtNull(uidl);
        // Stored by a check whose end the server never confirmed: deleted, not stored twice.
        const bool ok = unconfirmed_->storedBefore(id) ? askDeletion(handle, n, id) : receive(handle, n, id);
        if (!ok)
            break;
    }
    scratch_.reset();
}

bool MailCheck::expandAttachments(const QByteArray& header, const QByteArray& text, QByteArray& raw)
{
    static const QString separator = QDir::separator();
    const QByteArray whole = scratch_->write(header, text);
    const int result = nmail::NMailAttachmentFileFirst(
        0, subject_, date_, sender_, header_, text_,
        cp932::encode(QDir::toNativeSeparators(attachmentFolder_) + separator).toStdString(),
        cp932::encode(scratch_->path()).toStdString(), std::string_view(whole.constData(), whole.size()), 0);
    // The server's copy is gone once the expansion has ended: it is taken when the library could
    // not give the mail back whole or its text may not fit the record.
    if (nmail::NMailLastMailLoss() != 0 || CutAtNull(text_).size() + AttachmentNoteBytes > StoredBodyBytes) {
        const std::string_view kept = nmail::NMailLastRawMail();
        raw = QByteArray(kept.data(), static_cast<qsizetype>(kept.size()));
    }
    nmail::NMailAttachmentFileClose(0);
    // An attachment that could not be written would be lost with the server's copy: the mail
    // stays on the server until there is room for it.
    if (result == -5) {
        tell(QStringLiteral("添付ファイルをオープンできません") + QStringLiteral("\n") + libraryMessage() + KeptOnServer);
        return false;
    }
    if (result == -6)
        tell(QStringLiteral("分割されたメールが全て揃っていません"));
    return true;
}

bool MailCheck::connectionBroken()
{
    tell(libraryMessage() + QStringLiteral("\n\n受信を中断しました。まだ受信していないメールはサーバーに残してあります。"),
         ErrorTitle);
    failed_ = true;
    return false;
}

bool MailCheck::askDeletion(int handle, int n, const QByteArray& uidl)
{
    unconfirmed_->add(uidl);
    ++deletionsAsked_;
    // Without the deletion the session is over; the stored mail comes again next time.
    return nmail::NMailPop3DeleteMail(handle, n) == 0 || connectionBroken();
}

bool MailCheck::receive(int handle, int n, const QByteArray& uidl)
{
    // A mail that did not arrive whole is neither stored nor deleted.
    if (nmail::NMailPop3GetMailStatus(handle, n, subject_, date_, sender_, header_, 0) < 0)
        return connectionBroken();
    const int size = nmail::NMailPop3GetMailSize(handle, n);
    text_.assign(static_cast<size_t>(qMax(size, 0)) + 1, '\0');
    if (nmail::NMailPop3GetMail(handle, n, subject_, date_, sender_, header_, text_, 0, 0) < 0)
        return connectionBroken();

    const QByteArray fetchedText = CutAtNull(text_);
    const int attachment = fetchedText.contains("attachment") ? 1 : 0;
    // The clock box served as scratch space for this test; the next tick brings the clock back.
    main_.Text2->clear();
    QByteArray raw;
    if (!expandAttachments(CutAtNull(header_), fetchedText, raw))
        return false;
    // Given back by the expansion, listing the attachments under the names they were written with.
    const QByteArray text = CutAtNull(text_);

    const QString subject = cp932::decode(CutAtNull(subject_));
    const QString date = cp932::decode(CutAtNull(date_));
    const QString sender = cp932::decode(CutAtNull(sender_));
    const QString note = attachment ? AttachmentNote : QString();
    history::ReceivedMail mail{subject, sender, date, cp932::decode(text) + note, CutAtNull(header_)};

    const int number = store::NextRecordNumber(historyPath_);
    // What the record cannot hold (text beyond its 20000 bytes, parts that could not be read)
    // would be lost with the server's copy, so the whole message is kept as a file first and
    // the record's last line says where.
    if (!raw.isEmpty()) {
        const QString kept = keepRawMail(attachmentFolder_, raw, date);
        if (kept.isEmpty()) {
            tell(QStringLiteral("元のメールを添付フォルダに保存できませんでした。\n%1").arg(attachmentFolder_) + KeptOnServer);
            return false;
        }
        mail.body = withKeptMailLine(text, note, kept, StoredBodyBytes);
    }
    // The record reaches the disk with the rest of the check's files before the server is told
    // to commit any deletion (finish()); POP3 deletes nothing before that.
    const store::StoreResult written =
        history::AppendReceivedRecord(state_, historyPath_, number, mail, store::Durability::FlushedByCaller);
    if (!written.ok) {
        tell(written.error + KeptOnServer);
        return false;
    }
    state_.CurrentRecord = static_cast<std::int16_t>(number);
    forms_.tyakuForm().addHistoryLine(QStringLiteral("  ") + subject + QString(10, QLatin1Char(' ')) + date
                                          + QString(10, QLatin1Char(' ')) + sender,
                                      store::HistoryKind::Received, number);
    lastStored_ = mail;
    attachmentFlag_ = attachment;
    ++stored_;
    return askDeletion(handle, n, uidl);
}

void MailCheck::finish(int handle)
{
    if (deletionsAsked_ > 0) {
        QString error;
        if (!syncFileSystemsOf({dataFolder_, attachmentFolder_}, &error)) {
            // What was stored may not be on the disk: the server keeps every mail.
            nmail::NMailPop3Abort(handle);
            tell(QStringLiteral("受信したメールをディスクに書き込めませんでした。\n%1\n\n"
                                "サーバーのメールは削除せずに残してあります。").arg(error),
                 ErrorTitle);
            failed_ = true;
            return;
        }
        // Only now that the mails are on the disk may they be remembered as stored; a file that
        // cannot be written costs a second copy after a break, never a mail.
        unconfirmed_->save(&error);
    }
    const bool wasBroken = failed_;
    if (nmail::NMailPop3Close(handle) == 0) {
        if (unconfirmed_)
            unconfirmed_->forget();
        return;
    }
    if (deletionsAsked_ > 0 && !wasBroken) {
        tell(libraryMessage() + QStringLiteral("\n\n受信したメールは履歴に保存してあります。サーバーが削除を確認"
                                               "しなかったメールは、次の受信で保存し直さずに削除します。"),
             ErrorTitle);
        failed_ = true;
    }
}

void MailCheck::run()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    useTrustedCertificatesOf(state_.folder);
    if (!state_.account.Pop3Server.isEmpty() && foldersPresent()) {
        const int handle = connect();
        main_.Text1->setPlainText(QStringLiteral("メールのチェックをしています。"));
        if (handle != -1) {
            takeMail(handle);
            finish(handle);
        }
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
