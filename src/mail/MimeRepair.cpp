#include "mail/MimeRepair.h"

#include <QByteArrayView>
#include <QSet>

#include <cstring>

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

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The value of a boundary parameter starting at pos (after "boundary", blanks, "=" and blanks):
// quoted, or up to the next blank, ";" or quote. Empty when there is none.
QByteArray boundaryValueAt(const QByteArray& raw, qsizetype pos)
{
    const qsizetype size = raw.size();
    if (pos < size && raw[pos] == '"') {
        const qsizetype start = pos + 1;
        qsizetype end = start;
        while (end < size && raw[end] != '"' && raw[end] != '\r' && raw[end] != '\n')
            ++end;
        return end < size && raw[end] == '"' ? raw.sliced(start, end - start) : QByteArray();
    }
    qsizetype end = pos;
    while (end < size && !isSpace(raw[end]) && raw[end] != ';' && raw[end] != '"')
        ++end;
    return raw.sliced(pos, end - pos);
}

// Every boundary a Content-Type of the mail declares, wherever it stands. Found from each "="
// (memchr) back to a preceding "boundary", rather than by a pattern over the whole mail: most
// of a large mail is an encoded attachment, and this runs for every mail fetched.
QSet<QByteArray> declaredBoundaries(const QByteArray& raw)
{
    static constexpr QByteArrayView name("boundary");
    QSet<QByteArray> found;
    const char* const data = raw.constData();
    const qsizetype size = raw.size();
    for (qsizetype at = 0; at < size; ++at) {
        const void* equals = std::memchr(data + at, '=', size_t(size - at));
        if (!equals)
            break;
        at = static_cast<const char*>(equals) - data;
        qsizetype nameEnd = at;
        while (nameEnd > 0 && isSpace(data[nameEnd - 1]))
            --nameEnd;
        if (nameEnd < name.size() || qstrnicmp(data + nameEnd - name.size(), name.data(), name.size()) != 0)
            continue;
        qsizetype value = at + 1;
        while (value < size && isSpace(data[value]))
            ++value;
        const QByteArray boundary = boundaryValueAt(raw, value);
        if (!boundary.isEmpty())
            found.insert(boundary);
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
