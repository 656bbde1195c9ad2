#pragma once
// The message identifiers that tie a reply to the mail it answers (RFC 5322 3.6.4): a reply
// names its parent in In-Reply-To, and in References the parent's References (or, without
// them, its one In-Reply-To) followed by the parent's Message-ID.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace nmail {

// What a reply to a mail carries, each identifier with its angle brackets ("<id@host>").
struct ReplyThread {
    QByteArray inReplyTo;          // the parent's Message-ID; empty when it had none
    QList<QByteArray> references;  // empty when the parent named no identifier at all

    bool isEmpty() const { return inReplyTo.isEmpty() && references.isEmpty(); }
    bool operator==(const ReplyThread&) const = default;
};

// The identifiers of a field's value in order: every "<left@right>" of printable ASCII outside
// comments. Anything else (words, broken brackets, an identifier of more than 250 characters)
// is skipped: these go back out in the header of a reply.
QList<QByteArray> messageIds(QByteArrayView value);

// The value of the first field of that name in a raw header block, unfolded; empty if absent.
QByteArray headerField(QByteArrayView header, QByteArrayView name);

// The thread of a reply to the mail whose raw header is given. A long References list keeps its
// first identifier and the latest ones, as other mail programs shorten it.
ReplyThread replyThreadOf(QByteArrayView header);

// The header lines of a reply for thread ("In-Reply-To: …" and "References: …", folded before
// 78 characters, each line ended by CR LF); empty for an empty thread.
QByteArray replyHeaderLines(const ReplyThread& thread);

}  // namespace nmail
