#include "history/ReplyThreads.h"

#include "platform/Digest.h"
#include "platform/TextFields.h"
#include "store/HistoryRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace history {

namespace {

// An index larger than this is not read: no run of the program writes one.
constexpr qint64 MaxIndexSize = 256 * 1024 * 1024;

QByteArray keyOf(QByteArrayView record)
{
    const QByteArrayView fields = textfields::withoutPadding(
        record.first(std::min<qsizetype>(record.size(), store::HistoryRecordSize - 4)), store::HeadingSize);
    return digest::of(digest::Algorithm::Sha1, fields).toHex();
}

}  // namespace

QString replyThreadsPath(const QString& receivedHistory)
{
    return QFileInfo(receivedHistory).dir().filePath(QStringLiteral("reply-threads.txt"));
}

bool rememberReplyThread(const QString& receivedHistory, QByteArrayView record, QByteArrayView rawHeader)
{
    return rememberReplyThreads(receivedHistory, {{record, rawHeader}});
}

bool rememberReplyThreads(const QString& receivedHistory, const QList<std::pair<QByteArrayView, QByteArrayView>>& recordsAndHeaders)
{
    QByteArray lines;
    for (const auto& [record, rawHeader] : recordsAndHeaders) {
        const nmail::ReplyThread thread = nmail::replyThreadOf(rawHeader);
        if (thread.isEmpty())
            continue;
        // Each line starts with its line break, so that one a crash cut short cannot swallow the
        // next; appending is then one write, with no need to look at the end of the file first.
        lines += '\n' + keyOf(record) + ' ' + (thread.inReplyTo.isEmpty() ? QByteArray("-") : thread.inReplyTo);
        for (const QByteArray& id : thread.references)
            lines += ' ' + id;
    }
    if (lines.isEmpty())
        return true;
    QFile file(replyThreadsPath(receivedHistory));
    // Which mails a person answered and who wrote them: the user's alone, whatever the umask.
    return file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
           && file.write(lines) == lines.size();
}

nmail::ReplyThread replyThreadFor(const QString& receivedHistory, QByteArrayView record)
{
    QFile file(replyThreadsPath(receivedHistory));
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxIndexSize)
        return {};
    const QByteArray key = keyOf(record) + ' ';
    const QByteArray lines = file.readAll();
    // The last line of a key wins: the same mail stored again notes the same thread.
    for (qsizetype end = lines.size(); end > 0;) {
        const qsizetype start = lines.lastIndexOf('\n', end - 1) + 1;
        const QByteArrayView line = QByteArrayView(lines).sliced(start, end - start).trimmed();
        end = start > 0 ? start - 1 : 0;
        if (!line.startsWith(key))
            continue;
        const QList<QByteArray> ids = nmail::messageIds(line.sliced(key.size()));
        nmail::ReplyThread thread;
        thread.inReplyTo = line.sliced(key.size()).startsWith('-') ? QByteArray() : ids.value(0);
        thread.references = thread.inReplyTo.isEmpty() ? ids : ids.mid(1);
        return thread;
    }
    return {};
}

}  // namespace history
