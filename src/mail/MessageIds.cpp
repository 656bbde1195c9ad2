#include "mail/MessageIds.h"

namespace nmail {

namespace {

constexpr qsizetype MaxIdLength = 250;
// Enough for any real thread: the first mail and the latest ones.
constexpr qsizetype MaxReferences = 20;
constexpr qsizetype FoldAt = 78;

// The value with its comments (parenthesised, nested, "\" escaping) and quoted strings blanked.
QByteArray withoutComments(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && (depth > 0 || quoted)) {
            ++i;
            out += ' ';
            continue;
        }
        if (!quoted && c == '(')
            ++depth;
        else if (!quoted && c == ')' && depth > 0)
            --depth;
        else if (depth == 0 && c == '"')
            quoted = !quoted;
        else if (depth == 0 && !quoted) {
            out += c;
            continue;
        }
        out += ' ';
    }
    return out;
}

bool isIdCharacter(char c) { return c > ' ' && c < 127 && c != '<' && c != '>'; }

}  // namespace

QList<QByteArray> messageIds(QByteArrayView value)
{
    const QByteArray plain = withoutComments(value);
    QList<QByteArray> ids;
    for (qsizetype open = plain.indexOf('<'); open >= 0; open = plain.indexOf('<', open + 1)) {
        const qsizetype close = plain.indexOf('>', open);
        if (close < 0)
            break;
        QByteArray id;
        bool valid = true;
        for (qsizetype i = open + 1; i < close && valid; ++i) {
            const char c = plain[i];
            if (c == ' ' || c == '\t')
                continue;  // the obsolete syntax allows blanks around the parts
            valid = isIdCharacter(c);
            id += c;
        }
        const qsizetype at = id.indexOf('@');
        if (valid && at > 0 && at == id.lastIndexOf('@') && at < id.size() - 1 && id.size() + 2 <= MaxIdLength)
            ids.append('<' + id + '>');
    }
    return ids;
}

QByteArray headerField(QByteArrayView header, QByteArrayView name)
{
    QByteArray value;
    bool inField = false;
    for (qsizetype from = 0; from <= header.size();) {
        const qsizetype lineFeed = header.indexOf('\n', from);
        const qsizetype end = lineFeed < 0 ? header.size() : lineFeed;
        QByteArrayView line = header.sliced(from, end - from);
        from = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        const bool continuation = !line.isEmpty() && (line.front() == ' ' || line.front() == '\t');
        if (inField && continuation) {
            value += line;
            continue;
        }
        if (inField)
            break;
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            inField = true;
            value = line.sliced(colon + 1).toByteArray();
        }
    }
    return value.trimmed();
}

ReplyThread replyThreadOf(QByteArrayView header)
{
    ReplyThread thread;
    const QList<QByteArray> own = messageIds(headerField(header, "Message-ID"));
    thread.inReplyTo = own.value(0);
    QList<QByteArray> references = messageIds(headerField(header, "References"));
    if (references.isEmpty()) {
        const QList<QByteArray> parent = messageIds(headerField(header, "In-Reply-To"));
        if (parent.size() == 1)
            references = parent;
    }
    if (!thread.inReplyTo.isEmpty())
        references.append(thread.inReplyTo);
    if (references.size() > MaxReferences)
        references = references.first(1) + references.last(MaxReferences - 1);
    thread.references = references;
    return thread;
}

QByteArray replyHeaderLines(const ReplyThread& thread)
{
    QByteArray lines;
    if (!thread.inReplyTo.isEmpty())
        lines += "In-Reply-To: " + thread.inReplyTo + "\r\n";
    if (thread.references.isEmpty())
        return lines;
    QByteArray line = "References:";
    for (const QByteArray& id : thread.references) {
        if (line.size() + 1 + id.size() > FoldAt && line != "References:") {
            lines += line + "\r\n";
            line.clear();
        }
        line += ' ' + id;
    }
    return lines + line + "\r\n";
}

}  // namespace nmail
