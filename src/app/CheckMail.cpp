#include "app/CheckMail.h"

#include "app/Forms.h"
#include "app/MainForm.h"
#include "history/HistoryLoading.h"
#include "history/TyakuForm.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "settings/IdPassForm.h"
#include "settings/SettingsFiles.h"
#include "store/HistoryFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <vector>

namespace {

constexpr int BufferSize = 8192;
const QString AttachmentNote =
    QStringLiteral("\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
// A body longer than this is cut in its record; the whole mail is then kept as a file.
constexpr qsizetype StoredBodyBytes = 20000;
const qsizetype AttachmentNoteBytes = cp932::encode(AttachmentNote).size();
// The record's last line when the raw mail was kept, naming its file.
const QString KeptMailLine =
    QStringLiteral("※この記録に収まらない部分があるため、元のメールを添付フォルダの「%1」に保存しました。");

// The text before the first NUL of a buffer the mail library filled, as code page 932.
QByteArray CutAtNull(const std::vector<char>& buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return QByteArray(buffer.data(), end - buffer.begin());
}

// The whole mail text handed to the attachment expansion: the scratch file's lines, each ended
// by CR LF, and a closing NUL.
QByteArray wholeMailText(const QByteArray& scratch)
{
    QByteArray joined;
    joined.reserve(scratch.size() + 2);
    for (QByteArray line : scratch.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        joined += line;
        joined += "\r\n";
    }
    // split() gives one empty piece after the final line end.
    joined.chop(2);
    joined += '\0';
    return joined;
}

// Keeps the server's copy of a mail beside the attachments as
// "mail-<the mail's date>-<the start of its SHA-1>.eml". The name belongs to the mail, not to its
// place in the history, so it stays true when records before it are deleted; the same mail
// fetched again (its deletion never reached the server) finds its own file already there.
QString keepRawMail(const QString& folder, const QByteArray& raw, const QString& date)
{
    const QDateTime sent = QDateTime::fromString(date.simplified(), Qt::RFC2822Date);
    const QString stem = QStringLiteral("mail-%1-%2")
                             .arg(sent.isValid() ? sent.toString(QStringLiteral("yyyyMMdd-HHmmss")) : QStringLiteral("undated"),
                                  QString::fromLatin1(QCryptographicHash::hash(raw, QCryptographicHash::Sha1).toHex().left(10)));
    QString name = stem + QStringLiteral(".eml");
    for (int n = 2;; ++n) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::NewOnly | QIODevice::WriteOnly)) {
            if (file.write(raw) == raw.size() && file.flush())
                return name;
            file.remove();  // a part of the mail on a full disk would look like the whole of it
            return {};
        }
        if (!file.exists() || n > 9999)
            return {};
        if (file.open(QIODevice::ReadOnly) && file.readAll() == raw)
            return name;
        name = stem + QStringLiteral(" (%1).eml").arg(n);
    }
}

// The record's text when the raw mail was kept: the mail's text, cut where it must be to leave
// room, the attachment note, and a last line naming the kept file.
QString withKeptMailLine(const QByteArray& text, const QString& note, const QString& fileName)
{
    const QString line = KeptMailLine.arg(fileName);
    const qsizetype room = StoredBodyBytes - cp932::encode(note).size() - cp932::encode(line).size() - 2;
    const QString body = cp932::decode(textfields::cutBytes(cp932::decode(text), room)) + note;
    return body + (body.endsWith(QStringLiteral("\r\n")) ? QString() : QStringLiteral("\r\n")) + line;
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
    explicit MailCheck(Forms& forms)
        : forms_(forms), state_(forms.state()), main_(forms.mainForm())
    {
    }

    void run();

private:
    bool foldersPresent();
    // Logs in with the stored account and takes every mail that can be stored.
    void takeMail(int handle);
    // Takes mail number n; false when it could not be stored (it stays on the server).
    bool receive(int handle, int n);
    // Writes the attachments of the mail just fetched; false when one could not be written.
    // raw receives the server's copy when the record cannot hold everything the mail carried.
    bool expandAttachments(const QByteArray& header, const QByteArray& text, QByteArray& raw);
    // Ends the check after a failed command: the session is over.
    bool connectionBroken();
    void tell(const QString& text, const QString& title = {});

    Forms& forms_;
    ProgramState& state_;
    MainForm& main_;
    std::vector<char> subject_ = std::vector<char>(BufferSize);
    std::vector<char> date_ = std::vector<char>(BufferSize);
    std::vector<char> sender_ = std::vector<char>(BufferSize);
    std::vector<char> header_ = std::vector<char>(BufferSize);
    std::vector<char> text_;
    int attachmentFlag_ = 0;
    int stored_ = 0;
};

void MailCheck::tell(const QString& text, const QString& title)
{
    // A box over a wait cursor would look busy while it waits for the user.
    QGuiApplication::restoreOverrideCursor();
    forms_.seams().messages.show(&main_, text, title, MessageButtons::Ok, MessageIcon::Information);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

bool MailCheck::foldersPresent()
{
    // A mail is taken from the server only when it can be kept: its attachments and scratch
    // file go to the attachment folder, its record to the data folder.
    for (const QString& folder : {state_.folder.path(ProgramFolder::AttachmentFolder),
                                  state_.folder.path(ProgramFolder::DataFolder)}) {
        if (!QDir(folder).exists()) {
            tell(QStringLiteral("フォルダ「%1」がありません。メールは受信せず、サーバーに残しました。\n%2")
                     .arg(QDir(folder).dirName(), folder));
            return false;
        }
    }
    return true;
}

void MailCheck::takeMail(int handle)
{
    const StoredAccount stored = ReadAccount(state_.folder);
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
        tell(libraryMessage(), QStringLiteral("エラー"));
        return;
    }
    for (int n = 1; n <= count; ++n) {
        if (!receive(handle, n))
            break;
    }
}

bool MailCheck::expandAttachments(const QByteArray& header, const QByteArray& text, QByteArray& raw)
{
    const QString folder = state_.folder.path(ProgramFolder::AttachmentFolder);
    const QString scratchPath = QDir(folder).filePath(QStringLiteral("0.txt"));
    // The whole mail text is what the scratch file reads back as; it is built from the same
    // bytes, so a scratch file that cannot be written (a full disk) changes nothing.
    const QByteArray scratchText = header + "\r\n" + text + "\r\n";
    QFile scratch(scratchPath);
    if (scratch.open(QIODevice::WriteOnly | QIODevice::Truncate))
        scratch.write(scratchText);
    scratch.close();
    const QByteArray whole = wholeMailText(scratchText);

    const QByteArray folderBytes = cp932::encode(QDir::toNativeSeparators(folder) + QDir::separator());
    const int result = nmail::NMailAttachmentFileFirst(
        0, subject_, date_, sender_, header_, text_, folderBytes.toStdString(),
        cp932::encode(scratchPath).toStdString(), std::string_view(whole.constData(), whole.size()), 0);
    // The server's copy is gone once the expansion has ended: it is taken when the library could
    // not give the mail back whole or its text may not fit the record.
    if (nmail::NMailLastMailLoss() != 0 || CutAtNull(text_).size() + AttachmentNoteBytes > StoredBodyBytes) {
        const std::string_view kept = nmail::NMailLastRawMail();
        raw = QByteArray(kept.data(), static_cast<qsizetype>(kept.size()));
    }
    nmail::NMailAttachmentFileClose(0);
    QFile::remove(scratchPath);
    // An attachment that could not be written would be lost with the server's copy: the mail
    // stays on the server until there is room for it.
    if (result == -5) {
        tell(QStringLiteral("添付ファイルをオープンできません") + QStringLiteral("\n") + libraryMessage()
             + QStringLiteral("\n\nこのメールと残りのメールはサーバーに残してあります。"));
        return false;
    }
    if (result == -6)
        tell(QStringLiteral("分割されたメールが全て揃っていません"));
    return true;
}

bool MailCheck::connectionBroken()
{
    tell(libraryMessage() + QStringLiteral("\n\n受信を中断しました。残りのメールはサーバーに残してあります。"
                                           "受信済みのメールが次の受信でもう一度届くことがあります。"),
         QStringLiteral("エラー"));
    return false;
}

bool MailCheck::receive(int handle, int n)
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
    TyakuForm& viewer = forms_.tyakuForm();
    viewer.Text9->setText(subject);
    viewer.Text7->setText(date);
    viewer.Text8->setText(sender);
    const QString note = attachment ? AttachmentNote : QString();
    viewer.setBodyText(cp932::decode(text) + note);

    const int number = store::NextRecordNumber(store::historyPath(state_.folder, store::HistoryKind::Received));
    // What the record cannot hold (text beyond its 20000 bytes, parts that could not be read)
    // would be lost with the server's copy, so the whole message is kept as a file first and
    // the record's last line says where.
    const QString attachmentFolder = state_.folder.path(ProgramFolder::AttachmentFolder);
    if (!raw.isEmpty()) {
        const QString kept = keepRawMail(attachmentFolder, raw, date);
        if (kept.isEmpty()) {
            tell(QStringLiteral("元のメールを添付フォルダに保存できませんでした。\n%1\n\n"
                                "このメールと残りのメールはサーバーに残してあります。").arg(attachmentFolder));
            return false;
        }
        viewer.setBodyText(withKeptMailLine(text, note, kept));
    }
    const store::StoreResult written = history::AppendReceivedRecord(viewer, state_, number);
    if (!written.ok) {
        tell(written.error + QStringLiteral("\n\nこのメールと残りのメールはサーバーに残してあります。"));
        return false;
    }
    state_.CurrentRecord = static_cast<std::int16_t>(number);
    viewer.addHistoryLine(QStringLiteral("  ") + subject + QString(10, QLatin1Char(' ')) + date
                              + QString(10, QLatin1Char(' ')) + sender,
                          store::HistoryKind::Received, number);
    attachmentFlag_ = attachment;
    ++stored_;
    // Without the deletion the session is over; the stored mail comes again next time.
    return nmail::NMailPop3DeleteMail(handle, n) == 0 || connectionBroken();
}

void MailCheck::run()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (!state_.account.Pop3Server.isEmpty() && foldersPresent()) {
        const int handle = nmail::NMailPop3Connect(cp932::encode(state_.account.Pop3Server).toStdString());
        main_.Text1->setPlainText(QStringLiteral("メールのチェックをしています。"));
        if (handle != -1) {
            takeMail(handle);
            nmail::NMailPop3Close(handle);
        }
    }
    QGuiApplication::restoreOverrideCursor();

    if (attachmentFlag_ == 1) {
        main_.Label2->setText(QStringLiteral("添付ファイルメール。"));
        main_.StartRoulette();
    }
    if (stored_ >= 1) {
        main_.Label2->setText(QStringLiteral("新着メール有り。"));
        main_.StartRoulette();
    } else {
        main_.Label2->setText(QStringLiteral("新着メール無し。"));
    }
}

}  // namespace

void CheckMail(Forms& forms) { MailCheck(forms).run(); }
