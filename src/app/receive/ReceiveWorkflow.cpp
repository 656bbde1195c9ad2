#include "app/receive/ReceiveWorkflow.h"

#include "app/receive/LibraryText.h"
#include "app/receive/ReceivedFiles.h"
#include "history/ReplyThreads.h"
#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "platform/DiskSpace.h"
#include "platform/DiskSync.h"
#include "platform/NewFile.h"
#include "platform/TextFields.h"
#include "store/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int BufferSize = 8192;
const QString AttachmentNote =
    QStringLiteral("\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
// A body longer than this is cut in its record; the whole mail is then kept as a file.
constexpr qsizetype StoredBodyBytes = 20000;
const qsizetype AttachmentNoteBytes = cp932::encode(AttachmentNote).size();
const QString KeptOnServer = QStringLiteral("\n\nこのメールと残りのメールはサーバーに残してあります。");
const QString SessionBroken = QStringLiteral("\n\n受信を中断しました。まだ受信していないメールはサーバーに残してあります。");
// Records wait in memory at most this many at a time: one flush of the journal per batch keeps
// the promise that no record reaches the disk before the line that announces it.
constexpr size_t RecordsPerBatch = 256;
// The journal of earlier versions of the program: bare UIDLs, which cannot tell a mail from
// another that came to carry the same id.
const QString EarlierVersionsFile = QStringLiteral("pop3-unconfirmed-deletions.txt");

// Whether a record field of width bytes would cut the text: what it cuts is then kept nowhere
// but in the server's copy.
bool cutByField(const QString& text, qsizetype width)
{
    return cp932::encode(textfields::trimSpaces(text)).size() > width;
}

// Removes the files an unfinished attempt named: each only when it is the very file (its inode),
// never another that had the name before.
void removeFiles(const QString& folder, const QList<JournalledFile>& files)
{
    for (const JournalledFile& file : files) {
        if (file.name.isEmpty() || file.name.contains(u'/') || file.name == QStringLiteral("..") || file.name == QStringLiteral("."))
            continue;
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(file.name));
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && info.st_ino == file.inode)
            ::unlink(path.constData());
    }
}

// Why the journal could not be written, and that nothing more was taken.
QString journalFailureText(const QString& folder, const QString& error)
{
    return QStringLiteral("受信の記録を書き込めません。\n%1").arg(error) + (diskIsFull(folder) ? u'\n' + DiskFullText : QString())
           + KeptOnServer;
}

// Sets the mail library to report every file it names, for as long as one mail is stored.
class NamedFiles {
public:
    explicit NamedFiles(std::function<void(const QString&, quint64)> noted)
    {
        nmail::options().fileNaming = std::move(noted);
    }
    ~NamedFiles() { nmail::options().fileNaming = nullptr; }
};

}  // namespace

ReceiveWorkflow::ReceiveWorkflow(ReceivePlaces places, store::HistoryRecord& receivedRecord, ReceiveListener listener)
    : places_(std::move(places)), receivedRecord_(receivedRecord), listener_(std::move(listener)),
      journal_(places_.journalPath, places_.account), subject_(BufferSize), date_(BufferSize), sender_(BufferSize),
      header_(BufferSize)
{
}

ReceiveWorkflow::~ReceiveWorkflow() = default;

QString ReceiveWorkflow::journalFailure(const QString& error) const
{
    return journalFailureText(places_.dataFolder, error);
}

QString ReceiveWorkflow::currentMail() const
{
    return QStringLiteral("差出人: %1\n件名: %2").arg(cp932::decode(CutAtNull(sender_)), cp932::decode(CutAtNull(subject_)));
}

ReceiveWorkflow::Step ReceiveWorkflow::skip(const QString& why, const QList<JournalledFile>& created)
{
    removeFiles(places_.attachmentFolder, created);
    outcome_.skipped.append(currentMail() + u'\n' + why);
    return Step::Skipped;
}

ReceiveWorkflow::Step ReceiveWorkflow::stop(const QString& why, const QList<JournalledFile>& created)
{
    removeFiles(places_.attachmentFolder, created);
    if (outcome_.failure.isEmpty())  // the first cause is the one to tell; what follows is its effect
        outcome_.failure = why;
    return Step::Stop;
}

bool ReceiveWorkflow::prepare()
{
    NewFile::removeLeftovers(places_.attachmentFolder);
    // A record cut off in the middle belongs to a mail that is still on the server.
    if (const store::StoreResult cut = store::cutPartialRecord(places_.historyPath); !cut.ok)
        return stop(cut.error + KeptOnServer), false;
    for (const JournalledMail& mail : journal_.earlier()) {
        const std::optional<QByteArray> record =
            mail.record > 0 ? store::readRecordBytes(places_.historyPath, mail.record, store::HistoryRecordSize)
                            : std::nullopt;
        if (record && ReceiveJournal::recordDigest(*record) == mail.recordDigest)
            carried_.append(mail);
        else
            removeFiles(places_.attachmentFolder, mail.files);  // an attempt that never became a record
    }
    QString error;
    if (!journal_.start(carried_, &error))
        return stop(journalFailure(error)), false;
    journalStarted_ = true;
    QFile::remove(QDir(places_.dataFolder).filePath(EarlierVersionsFile));
    return true;
}

bool ReceiveWorkflow::deleteStoredBefore(int handle, int count)
{
    std::vector<char> buffer(1024);
    QHash<QByteArray, int> uses;
    uidls_.assign(size_t(count) + 1, {});
    for (int n = 1; n <= count; ++n) {
        nmail::NMailPop3GetMailUidl(handle, n, buffer);
        uidls_[size_t(n)] = CutAtNull(buffer);
        ++uses[uidls_[size_t(n)]];
    }
    for (int n = 1; n <= count && !carried_.isEmpty(); ++n) {
        // An id the server gives two mails tells neither apart: both are stored again.
        const QByteArray& uidl = uidls_[size_t(n)];
        if (uidl.isEmpty() || uses.value(uidl) > 1)
            continue;
        const qint64 size = nmail::NMailPop3GetListedSize(handle, n);
        const auto entry = std::find_if(carried_.begin(), carried_.end(), [&](const JournalledMail& mail) {
            return mail.identity.uidl == uidl && mail.identity.listedSize == size;
        });
        if (entry == carried_.end())
            continue;
        if (nmail::NMailPop3GetHeaderDigest(handle, n, buffer) < 0) {
            if (nmail::NMailPop3SessionUsable(handle))
                continue;
            return stop(libraryMessage() + SessionBroken), false;
        }
        if (CutAtNull(buffer) == entry->identity.headerDigest) {
            storedBefore_.insert(n);
            if (!askDeletion(handle, n))
                return false;
        }
    }
    return true;
}

bool ReceiveWorkflow::askDeletion(int handle, int n)
{
    ++deletionsAsked_;
    if (nmail::NMailPop3DeleteMail(handle, n) == 0)
        return true;
    if (!nmail::NMailPop3SessionUsable(handle))
        return stop(libraryMessage() + SessionBroken), false;
    // Refused: the mail stays on the server, and the journal must tell the next check that it
    // is stored already.
    keepJournal_ = true;
    return true;
}

ReceiveWorkflow::Step ReceiveWorkflow::store(int handle, int n)
{
    auto fetchFailed = [&] {
        const bool full = diskIsFull(places_.attachmentFolder);
        const QString why = libraryMessage() + (full ? u'\n' + DiskFullText : QString());
        if (!nmail::NMailPop3SessionUsable(handle))
            return stop(why + SessionBroken);
        // A mail too large for memory that found no room: so would every other.
        if (full)
            return stop(why + KeptOnServer);
        // Refused while the session goes on: that one mail stays on the server.
        return skip(QStringLiteral("メール %1 番: %2").arg(n).arg(why), {});
    };
    if (nmail::NMailPop3GetMailStatus(handle, n, subject_, date_, sender_, header_, 0) < 0)
        return fetchFailed();
    std::vector<char> digest(80);
    nmail::NMailPop3GetHeaderDigest(handle, n, digest);
    const MailIdentity identity{uidls_[size_t(n)], nmail::NMailPop3GetListedSize(handle, n), CutAtNull(digest)};
    // The history grows only when a batch is written: its length is read once per batch.
    if (pending_.empty())
        firstPendingNumber_ = store::NextRecordNumber(places_.historyPath);
    const int number = firstPendingNumber_ + int(pending_.size());
    if (const store::StoreResult room = store::roomForRecord(places_.historyPath, number); !room.ok)
        return stop(room.error + KeptOnServer);
    if (!journal_.beginMail(identity, &journalError_))
        return stop(journalFailure(journalError_));
    QList<JournalledFile> created;
    const NamedFiles noting([&](const QString& path, quint64 inode) { noteFile(created, {QFileInfo(path).fileName(), inode}); });
    return keep(created, handle, n, number);
}

void ReceiveWorkflow::noteFile(QList<JournalledFile>& created, const JournalledFile& file)
{
    created.append(file);
    if (journalError_.isEmpty())
        journal_.fileNaming(file, &journalError_);
}

ReceiveWorkflow::Step ReceiveWorkflow::keep(QList<JournalledFile>& created, int handle, int n, int number)
{
    static const QString separator = QDir::separator();
    const int size = nmail::NMailPop3GetMailSize(handle, n);
    text_.assign(static_cast<size_t>(qMax(size, 0)) + 1, '\0');
    if (nmail::NMailPop3GetMail(handle, n, subject_, date_, sender_, header_, text_, 0, 0) < 0)
        return nmail::NMailPop3SessionUsable(handle) ? skip(libraryMessage(), created) : stop(libraryMessage() + SessionBroken, created);
    const QByteArray fetchedText = CutAtNull(text_);
    const int attachment = fetchedText.contains("attachment") ? 1 : 0;
    const QByteArray whole = scratch_->write(CutAtNull(header_), fetchedText);
    const int result = nmail::NMailAttachmentFileFirst(
        0, subject_, date_, sender_, header_, text_,
        cp932::encode(QDir::toNativeSeparators(places_.attachmentFolder) + separator).toStdString(),
        cp932::encode(scratch_->path()).toStdString(), std::string_view(whole.constData(), whole.size()), 0);
    const QString subject = cp932::decode(CutAtNull(subject_));
    const QString date = cp932::decode(CutAtNull(date_));
    const QString sender = cp932::decode(CutAtNull(sender_));
    // Given back by the expansion, listing the attachments under the names they were written with.
    const QByteArray text = CutAtNull(text_);
    // Whatever the record cannot hold would be lost with the server's copy: a text beyond its
    // 20000 bytes, parts that could not be read, a subject, sender or date longer than its field.
    const bool keepRaw = nmail::NMailLastMailLoss() != 0 || text.size() + AttachmentNoteBytes > StoredBodyBytes
                         || cutByField(subject, store::SubjectWidth) || cutByField(sender, store::FieldWidth)
                         || cutByField(date, store::FieldWidth);
    KeptMail kept;
    if (keepRaw && result != -5) {
        if (const std::shared_ptr<const nmail::MailBytes> raw = nmail::NMailLastRawMail())
            kept = keepRawMail(places_.attachmentFolder, *raw, date,
                               [&](const QString& name, quint64 inode) { noteFile(created, {name, inode}); });
    }
    nmail::NMailAttachmentFileClose(0);
    if (!journalError_.isEmpty())
        return stop(journalFailure(journalError_), created);
    if (result == -5 || (keepRaw && kept.name.isEmpty())) {
        const QString why = result == -5 ? QStringLiteral("添付ファイルをオープンできません\n") + libraryMessage()
                                         : QStringLiteral("元のメールを添付フォルダに保存できませんでした。\n%1\n%2")
                                               .arg(kept.error, places_.attachmentFolder);
        // Every other mail would meet the same full disk.
        return diskIsFull(places_.attachmentFolder) ? stop(why + KeptOnServer, created) : skip(why, created);
    }
    if (result == -6)
        listener_.tell(QStringLiteral("分割されたメールが全て揃っていません"));

    const QString note = attachment ? AttachmentNote : QString();
    history::ReceivedMail mail{subject, sender, date, cp932::decode(text) + note, CutAtNull(header_)};
    if (keepRaw)
        mail.body = withKeptMailLine(text, note, kept.name, StoredBodyBytes);
    const store::HistoryRecord record = history::receivedRecord(mail);
    QByteArray bytes = record.toBytes();
    if (!journal_.recordPlanned(number, ReceiveJournal::recordDigest(bytes), &journalError_))
        return stop(journalFailure(journalError_), created);
    pending_.push_back({n, number, std::move(bytes), record, mail, attachment});
    return pending_.size() < RecordsPerBatch || writePendingRecords(handle) ? Step::Done : Step::Stop;
}

bool ReceiveWorkflow::writePendingRecords(int handle)
{
    if (pending_.empty())
        return true;
    QString error;
    const std::vector<PendingRecord> batch = std::move(pending_);
    pending_.clear();
    if (!journal_.sync(&error))
        return stop(journalFailure(error)), false;
    QList<QByteArray> records;
    for (const PendingRecord& pending : batch)
        records.append(pending.bytes);
    QList<std::pair<QByteArrayView, QByteArrayView>> threads;
    bool deleting = true;
    const store::StoreResult written = store::writeRecordRun(
        places_.historyPath, batch.front().number, records, store::Durability::FlushedByCaller, [&](qsizetype i) {
            const PendingRecord& pending = batch[size_t(i)];
            receivedRecord_ = pending.record;
            ++outcome_.stored;
            outcome_.attachmentFlag = pending.attachmentFlag;
            listener_.stored(pending.mail, pending.number);
            threads.append({pending.bytes, pending.mail.header});
            // Only a mail whose record is written is deleted: a failure further on leaves the rest
            // of the batch on the server, and QUIT commits what is stored.
            return deleting = askDeletion(handle, pending.mailNumber);
        });
    // What a reply to each needs of its header (a file that cannot be written costs the thread).
    history::rememberReplyThreads(places_.historyPath, threads);
    if (!written.ok)
        return stop(written.error + (diskIsFull(places_.dataFolder) ? u'\n' + DiskFullText : QString()) + KeptOnServer), false;
    return deleting;
}

void ReceiveWorkflow::finish(int handle)
{
    if (!writePendingRecords(handle) && !nmail::NMailPop3SessionUsable(handle)) {
        nmail::NMailPop3Abort(handle);
        return;
    }
    if (deletionsAsked_ > 0) {
        QString error;
        if (!syncFileSystemsOf({places_.dataFolder, places_.attachmentFolder}, &error)) {
            // What was stored may not be on the disk: the server keeps every mail.
            nmail::NMailPop3Abort(handle);
            outcome_.failure = QStringLiteral("受信したメールをディスクに書き込めませんでした。\n%1\n\n"
                                              "サーバーのメールは削除せずに残してあります。").arg(error);
            return;
        }
    }
    const bool failedBefore = !outcome_.failure.isEmpty();
    if (nmail::NMailPop3Close(handle) == 0) {
        if (journalStarted_ && !keepJournal_)
            journal_.forget();
        return;
    }
    if (deletionsAsked_ > 0 && !failedBefore)
        outcome_.failure = libraryMessage() + QStringLiteral("\n\n受信したメールは履歴に保存してあります。サーバーが削除を確認"
                                                             "しなかったメールは、次の受信で保存し直さずに削除します。");
}

ReceiveOutcome ReceiveWorkflow::run(int handle, int count)
{
    if (prepare() && deleteStoredBefore(handle, count)) {
        scratch_ = std::make_unique<ScratchFile>(places_.attachmentFolder);
        for (int n = 1; n <= count; ++n) {
            listener_.progress(n, count);
            if (!storedBefore_.contains(n) && store(handle, n) == Step::Stop)
                break;
        }
        scratch_.reset();
    }
    finish(handle);
    return outcome_;
}
