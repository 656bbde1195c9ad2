// The retrieval half of a POP3 session: RETR asked for a few mails ahead on a pipelining server,
// answers of any size read into MailBytes, TOP for a header, DELE sent without waiting.

#include "mail/pop3/Pop3Client.h"

#include <algorithm>

namespace nmail {

namespace {
// How far retrievals run ahead of the caller on a pipelining server: far enough that the server
// goes on sending while a batch of records is written (a thousand small mails), and what it sends
// waits in the socket's buffers, not in our memory (the server stops when they are full). The
// bounds only limit the answers still owed, and read for nothing, when a check stops early.
constexpr qint64 AheadBytes = 2 * 1024 * 1024;
constexpr size_t AheadCommands = 1024;
// How much of answers that cannot be kept, or are not wanted, is read on to keep the session in
// step.
constexpr qint64 DiscardLimit = qint64(1024) * 1024 * 1024;
}  // namespace

qint64 Pop3Client::aheadCost(int number) const
{
    // A listed size is the server's claim: counted at most as the whole bound, the sum of what
    // runs ahead cannot overflow whatever the listing says.
    return std::clamp<qint64>(listedSize(number), 0, AheadBytes);
}

void Pop3Client::requestAhead(int number)
{
    auto send = [this](int n) {
        stream_.write("RETR " + QByteArray::number(n));
        pending_.push_back({Pending::Kind::Retrieve, n});
        requestedUpTo_ = std::max(requestedUpTo_, n);
        aheadBytes_ += aheadCost(n);
    };
    if (std::none_of(pending_.begin(), pending_.end(),
                     [&](const Pending& p) { return p.kind == Pending::Kind::Retrieve && p.number == number; }))
        send(number);
    if (!capabilities_.pipelining)
        return;
    for (int next = std::max(number, requestedUpTo_) + 1;
         next <= static_cast<int>(sizes_.size()) && aheadBytes_ < AheadBytes && pending_.size() < AheadCommands; ++next)
        send(next);
}

bool Pop3Client::settle(bool wanted)
{
    const Pending oldest = pending_.front();
    pending_.pop_front();
    if (oldest.kind == Pending::Kind::Delete) {
        if (status())
            return true;
        if (!broken_)
            refusedDeletions_.append(QStringLiteral("%1 (%2)").arg(oldest.number).arg(error_));
        return !broken_;
    }
    aheadBytes_ -= aheadCost(oldest.number);
    cachedNumber_ = 0;
    cached_.reset();
    if (!status())
        return false;
    if (!wanted)
        return discard();
    cached_ = collect();
    if (!cached_)
        return false;
    cachedNumber_ = oldest.number;
    return true;
}

std::shared_ptr<const MailBytes> Pop3Client::collect()
{
    // The listed size is the server's claim: nothing is sized by it, nothing refused for it. An
    // answer that cannot be kept (no room for it) is read on to its end, so that the session goes
    // on and can commit what was stored before, unless it goes on beyond reason.
    MailBytesCollector collector(spoolFolder_);
    bool kept = true;
    qint64 discarded = 0;
    const bool ended = stream_.readMultiline([&](const char* data, qsizetype size) {
        kept = kept && collector.append(data, size);
        discarded += kept ? 0 : size;
        return kept || discarded < DiscardLimit;
    });
    const QString unkept = QStringLiteral("受信したメールを一時保存できません (%1)").arg(collector.error());
    if (!ended) {
        error_ = kept ? stream_.error() : unkept;
        broken_ = true;
        return nullptr;
    }
    std::shared_ptr<const MailBytes> bytes = kept ? collector.finish() : nullptr;
    if (!bytes)
        error_ = unkept;
    return bytes;
}

bool Pop3Client::discard()
{
    // Mails asked for ahead and then not wanted (the check stopped early) are read only to keep
    // the session in step. Their listed sizes are the server's claim: past DiscardLimit in all,
    // the session ends instead, without QUIT, so that nothing is deleted.
    const bool ended = stream_.readMultiline([&](const char*, qsizetype size) {
        discarded_ += size;
        return discarded_ < DiscardLimit;
    });
    if (!ended) {
        error_ = stream_.error();
        broken_ = true;
    }
    return ended;
}

bool Pop3Client::askable(int number)
{
    if (!usable())
        return false;
    if (listedSize(number) >= 0)
        return true;
    error_ = QStringLiteral("メール %1 はありません").arg(number);
    return false;
}

bool Pop3Client::settleAll()
{
    while (!pending_.empty()) {
        if (!settle(false) && broken_)
            return false;
    }
    requestedUpTo_ = 0;
    return true;
}

std::shared_ptr<const MailBytes> Pop3Client::message(int number)
{
    if (number == cachedNumber_ && number != 0)
        return cached_;
    if (!askable(number))
        return nullptr;
    // Asked out of order: what runs ahead is of no use.
    if (number <= requestedUpTo_ && std::none_of(pending_.begin(), pending_.end(), [&](const Pending& p) {
            return p.kind == Pending::Kind::Retrieve && p.number == number;
        }) && !settleAll())
        return fail(QStringLiteral("メール %1 を受信できません").arg(number)), nullptr;
    requestAhead(number);
    for (;;) {
        const Pending oldest = pending_.front();
        const bool ok = settle(oldest.number == number);
        if (oldest.kind == Pending::Kind::Retrieve && oldest.number == number) {
            if (!ok)
                return fail(QStringLiteral("メール %1 を受信できません").arg(number)), nullptr;
            return cached_;
        }
        if (!ok && broken_)
            return fail(QStringLiteral("メール %1 を受信できません").arg(number)), nullptr;
    }
}

std::shared_ptr<const MailBytes> Pop3Client::header(int number)
{
    if (number == cachedNumber_ && number != 0)
        return cached_;
    if (!askable(number))
        return nullptr;
    // TOP is answered after everything asked before it.
    if (!settleAll())
        return fail(QStringLiteral("メール %1 のヘッダーを受信できません").arg(number)), nullptr;
    if (capabilities_.top || !capabilities_.known) {
        if (command("TOP " + QByteArray::number(number) + " 0")) {
            std::shared_ptr<const MailBytes> lines = collect();
            return lines ? lines : (fail(QStringLiteral("メール %1 のヘッダーを受信できません").arg(number)), nullptr);
        }
        if (broken_)
            return fail(QStringLiteral("メール %1 のヘッダーを受信できません").arg(number)), nullptr;
    }
    return message(number);
}

bool Pop3Client::remove(int number)
{
    if (!askable(number))
        return false;
    if (number == cachedNumber_) {
        cachedNumber_ = 0;
        cached_.reset();
    }
    const QByteArray line = "DELE " + QByteArray::number(number);
    ++deletions_;
    if (capabilities_.pipelining) {
        stream_.write(line);
        pending_.push_back({Pending::Kind::Delete, number});
        return true;
    }
    return command(line) || fail(QStringLiteral("メール %1 を削除できません").arg(number));
}

}  // namespace nmail
