// The compose window's send sequence: the checks before anything is written, one pass per mail
// (the sent-history record, the fortune, the mail), and what the window keeps when a mail did
// not get through.

#include "compose/WriteForm.h"

#include "compose/AddressListPanel.h"
#include "compose/AttachmentList.h"
#include "compose/FormParts.h"
#include "compose/Fortune.h"
#include "compose/SendChecks.h"
#include "compose/SentMail.h"
#include "mail/NMailSession.h"
#include "platform/DiskSync.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString SendingStatus = QStringLiteral("メールを送信中です。しばらくお待ち下さい。");
const QString SentStatus = QStringLiteral("送信完了です。");
const QString NotSentStatus = QStringLiteral("送信を取りやめました。");
const QString FailedStatus = QStringLiteral("送信できませんでした。もう一度「送信」できます。");
const QString BulkFailedStatus = QStringLiteral("%1件中%2件が未送信です。「送信」で残りを送れます。");
const QString UnlistedStatus = QStringLiteral("送信完了です。アドレス帳に宛先のない%1件には送信していません。");
const QString SendErrorTitle = QStringLiteral("送信エラー");

const compose::BoxCaptions Captions{QStringLiteral("宛先"), QStringLiteral("件名"), QStringLiteral("添付File")};

// The recipients a bulk send missed, as many as a box can show, and the reason for each.
QString missedText(const QStringList& missed)
{
    constexpr qsizetype Shown = 20;
    QString text = QStringLiteral("次の%1件の宛先に送信できませんでした。\n\n").arg(missed.size()) +
                   missed.mid(0, Shown).join(QStringLiteral("\n\n"));
    if (missed.size() > Shown)
        text += QStringLiteral("\n\nほか%1件").arg(missed.size() - Shown);
    return text + QStringLiteral("\n\n「送信」を押すと、送信できなかった宛先にだけ送り直します。");
}

}  // namespace

compose::OutgoingMail WriteForm::composed(const QString& recipient) const
{
    return {recipient, SubjectText->text(), bodyText(), AttachText->text()};
}

store::StoreResult WriteForm::SaveSentRecord(int number)
{
    const QString clock = hooks_.clockText ? hooks_.clockText() : QString();
    const store::HistoryRecord record = compose::sentRecord(clock, composed(ToText->text()));
    // In memory as on disk: every field cut and padded to its width.
    state_.SentRecord = store::HistoryRecord::fromBytes(record.toBytes());
    const store::StoreResult saved =
        store::writeRecord(store::historyPath(state_.folder, store::HistoryKind::Sent), number, record, recordDurability_);
    if (saved.ok)
        state_.CurrentRecord = static_cast<std::int16_t>(number);
    return saved;
}

// A send that does not get every mail through keeps the window as the user left it: every box,
// the attachments, the fortune box and bulk mode; the body without the fortune blocks this
// attempt appended. The status says what failed, the error boxes said why, and "送信" tries again.
void WriteForm::Command1_Click()
{
    attachments_->prepareForSend();
    const compose::OutgoingMail typed = composed(ToText->text());
    const bool bulk = AddressPanel->bulkMode();
    if (!compose::readyToSend(seams_.messages, this, state_.account, typed, Captions,
                              bulk ? compose::Recipients::AddressBook : compose::Recipients::Typed)) {
        showStatus(NotSentStatus);
        return;
    }
    showStatus(SendingStatus);
    Attempt attempt{typed, Check1->isChecked(), bulk, bulk ? AddressPanel->List1->count() : 1, {}, {}};
    if (unfinished_ && unfinished_->sameMailAs(attempt))
        attempt = *unfinished_;
    const PassOutcome outcome = sendPasses(attempt);
    if (outcome.stopped || outcome.failed > 0) {
        setBodyText(typed.body);
        unfinished_ = attempt;
        showStatus(outcome.stopped ? NotSentStatus
                   : bulk          ? BulkFailedStatus.arg(attempt.passes).arg(outcome.failed + outcome.unlisted)
                                   : FailedStatus);
        return;
    }
    unfinished_.reset();
    clearTexts();
    AddressPanel->endBulkMode();
    if (outcome.unlisted > 0) {
        // Some entries got no mail: the window stays so that the user can read so.
        showStatus(UnlistedStatus.arg(outcome.unlisted));
        return;
    }
    showStatus(SentStatus);
    close();
}

bool WriteForm::Attempt::sameMailAs(const Attempt& other) const
{
    return mail == other.mail && fortune == other.fortune && bulk == other.bulk && passes == other.passes;
}

// Bulk mode makes one pass per list entry, pass i to the address of address-book record i. A
// list filled from the read-only address list may hold more entries than the book has records;
// the passes beyond the book's end send nothing, and the book is not read past its end.
WriteForm::PassOutcome WriteForm::sendPasses(Attempt& attempt)
{
    PassOutcome outcome;
    bool sendWithoutRecord = false;
    if (!attempt.bulk) {
        outcome.stopped = !sendPass(1, ToText->text(), attempt, sendWithoutRecord, outcome);
        return outcome;
    }
    const nmail::NMailSmtpBatch oneSession;  // every pass goes over one SMTP session
    // Each record is in the file before its mail goes (a program that dies keeps it); they reach
    // the disk together when the bulk send ends, not one flush per entry.
    recordDurability_ = store::Durability::FlushedByCaller;
    auto progress = [this](const QString& text) {
        if (hooks_.showProgress)
            hooks_.showProgress(text);
    };
    for (int pass = 1; pass <= attempt.passes; ++pass) {
        progress(QStringLiteral("送信中 %1/%2").arg(pass).arg(attempt.passes));
        const std::optional<QString> address = AddressPanel->bookAddress(pass);
        if (!address) {
            outcome.unlisted = attempt.passes - pass + 1;
            break;
        }
        if (!sendPass(pass, *address, attempt, sendWithoutRecord, outcome)) {
            outcome.stopped = true;
            break;
        }
    }
    progress({});
    recordDurability_ = store::Durability::BeforeReturn;
    QString error;
    if (!syncFileSystemsOf({state_.folder.path(ProgramFolder::DataFolder)}, &error))
        seams_.messages.warn(this, QStringLiteral("送信履歴をディスクに書き込めませんでした。\n%1").arg(error), SendErrorTitle);
    if (!outcome.missed.isEmpty())
        seams_.messages.show(this, missedText(outcome.missed), SendErrorTitle, MessageButtons::Ok, MessageIcon::None);
    return outcome;
}

// What the sent history keeps of an attempt that failed: its record, written before the send
// as always, so that the typed mail is on disk even if the program dies while sending. The
// same, unchanged mail sent again is the same mail: a pass already recorded is not recorded
// twice, and a pass that reached its recipient is not sent twice. A changed mail is a new mail.
bool WriteForm::sendPass(int pass, const QString& recipient, Attempt& attempt, bool& sendWithoutRecord,
                         PassOutcome& outcome)
{
    showStatus(SendingStatus);
    const bool delivered = attempt.delivered.contains(pass);
    if (!delivered && !attempt.recorded.contains(pass)) {
        const RecordOutcome record = recordPass(sendWithoutRecord);
        if (record == RecordOutcome::Stop)
            return false;
        if (record == RecordOutcome::Written)
            attempt.recorded.insert(pass);
    }
    // The body box itself grows by the block, so every later pass of a bulk send carries it too.
    if (Check1->isChecked())
        setBodyText(bodyText() + compose::fortuneBlock(compose::drawFortune(seams_.random)));
    if (delivered)
        return true;
    std::optional<QString> failure;
    compose::TrustQuestion trust{seams_.messages, this, outcome.certificateDeclined};
    {
        compose::WaitCursor wait;
        failure = compose::sendMail(state_.account, state_.folder, composed(recipient), trust);
    }
    outcome.certificateDeclined = trust.declined;
    if (failure) {
        ++outcome.failed;
        // A bulk send says once, at its end, whom it missed: not one box per entry.
        if (attempt.bulk)
            outcome.missed.append(QStringLiteral("%1: %2").arg(recipient, *failure));
        else
            seams_.messages.show(this, *failure, SendErrorTitle, MessageButtons::Ok, MessageIcon::None);
    } else {
        attempt.delivered.insert(pass);
    }
    return true;
}

// The sent history is the only trace the program keeps of a mail it sent, so the record is
// written before the send. When it cannot be written (a full history, a missing or read-only
// data folder, a full disk) the mail is not sent silently without it: the user is told why
// and decides. "いいえ" sends nothing and leaves the window open with everything still in it;
// "はい" sends without a record, and later passes of the same send are not asked again.
WriteForm::RecordOutcome WriteForm::recordPass(bool& sendWithoutRecord)
{
    store::StoreResult saved;
    {
        compose::WaitCursor wait;
        saved = SaveSentRecord(store::NextRecordNumber(store::historyPath(state_.folder, store::HistoryKind::Sent)));
    }
    if (saved.ok)
        return RecordOutcome::Written;
    if (sendWithoutRecord)
        return RecordOutcome::Unrecorded;
    const MessageAnswer answer = seams_.messages.show(
        this,
        QStringLiteral("送信履歴に記録できませんでした。\n%1\n\n記録を残さずに送信しますか？\n"
                       "「いいえ」を選ぶと送信せずに、この画面に戻ります。")
            .arg(saved.error),
        QString(), MessageButtons::YesNo, MessageIcon::Warning);
    sendWithoutRecord = answer == MessageAnswer::Yes;
    return sendWithoutRecord ? RecordOutcome::Unrecorded : RecordOutcome::Stop;
}
