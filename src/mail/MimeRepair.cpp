#include "mail/MimeRepair.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QSet>

namespace nmail {

namespace {

bool isBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool isField(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    return std::all_of(line.begin(), line.begin() + colon,
                       [](char c) { return static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127; });
}

// The line starting at pos, without its line end, and where the next line starts.
QByteArrayView lineAt(const QByteArray& raw, qsizetype pos, qsizetype& next)
{
    qsizetype end = raw.indexOf('\n', pos);
    next = end < 0 ? raw.size() : end + 1;
    if (end < 0)
        end = raw.size();
    if (end > pos && raw[end - 1] == '\r')
        --end;
    return QByteArrayView(raw).sliced(pos, end - pos);
}

QByteArray withHeaderEnd(QByteArray raw)
{
    qsizetype pos = 0;
    while (pos < raw.size()) {
        qsizetype next = 0;
        const QByteArrayView line = lineAt(raw, pos, next);
        if (line.isEmpty())
            return raw;  // the header ends as it should
        const bool continuation = pos > 0 && (line.front() == ' ' || line.front() == '\t');
        if (pos > 0 && isBlank(line)) {
            raw.remove(pos, line.size());
            return raw;
        }
        if (!continuation && !isField(line) && !(pos == 0 && line.startsWith("From "))) {
            raw.insert(pos, "\r\n");
            return raw;
        }
        pos = next;
    }
    return raw;  // a header alone, without a body
}

QSet<QByteArray> declaredBoundaries(const QByteArray& raw)
{
    static const QRegularExpression boundary(QStringLiteral("boundary\\s*=\\s*(?:\"([^\"\\r\\n]+)\"|([^\\s;\"]+))"),
                                             QRegularExpression::CaseInsensitiveOption);
    QSet<QByteArray> found;
    const QString text = QString::fromLatin1(raw);
    for (auto it = boundary.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        found.insert((match.hasCaptured(1) ? match.captured(1) : match.captured(2)).toLatin1());
    }
    return found;
}

QByteArray withoutBoundaryPadding(QByteArray raw)
{
    const QSet<QByteArray> boundaries = declaredBoundaries(raw);
    if (boundaries.isEmpty())
        return raw;
    qsizetype pos = 0;
    while (pos < raw.size()) {
        qsizetype next = 0;
        const QByteArrayView line = lineAt(raw, pos, next);
        qsizetype kept = line.size();
        while (kept > 0 && (line[kept - 1] == ' ' || line[kept - 1] == '\t'))
            --kept;
        const QByteArrayView delimiter = line.first(kept);
        if (kept < line.size() && delimiter.startsWith("--")) {
            QByteArrayView name = delimiter.sliced(2);
            if (name.endsWith("--") && !boundaries.contains(name.toByteArray()))
                name.chop(2);
            if (boundaries.contains(name.toByteArray())) {
                raw.remove(pos + kept, line.size() - kept);
                next -= line.size() - kept;
            }
        }
        pos = next;
    }
    return raw;
}

}  // namespace

QByteArray repairedForParsing(QByteArray raw)
{
    return withoutBoundaryPadding(withHeaderEnd(std::move(raw)));
}

}  // namespace nmail
