#include "platform/PrivateProfile.h"

#include "platform/Cp932.h"
#include "platform/FileReplace.h"
#include "platform/TextFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace privateprofile {
namespace {

// A read fills a 256-byte buffer, which holds 255 bytes and the terminating NUL.
constexpr qsizetype ValueBytes = 255;

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    bool blank = false;
    QString name;
    QString value;
};

// Where a section and a key stand in the file's lines; -1 when missing. keyInsertAt is the
// line a new key of the section goes before: right after its last non-blank line.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype keyInsertAt = -1;
};

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\v' || ch == u'\f';
}

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// The file's lines, each with its own line end, so that untouched lines are written back
// byte for byte.
QList<QByteArray> splitLines(const QByteArray& content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        const qsizetype end = newline < 0 ? content.size() : newline + 1;
        lines.append(content.sliced(start, end - start));
        start = end;
    }
    return lines;
}

ParsedLine parse(const QByteArray& raw)
{
    const QString decoded = cp932::decode(raw);
    QStringView line = decoded;
    if (line.endsWith(u'\n'))
        line.chop(1);
    line = trimBlanks(line);

    ParsedLine parsed;
    parsed.blank = line.isEmpty();
    if (line.startsWith(u';'))
        return parsed;
    if (line.startsWith(u'[')) {
        const qsizetype close = line.indexOf(u']');
        if (close > 0) {
            parsed.kind = LineKind::Section;
            parsed.name = trimBlanks(line.sliced(1, close - 1)).toString();
        }
        return parsed;
    }
    const qsizetype equals = line.indexOf(u'=');
    if (equals > 0) {
        parsed.kind = LineKind::Key;
        parsed.name = trimBlanks(line.first(equals)).toString();
        parsed.value = line.sliced(equals + 1).toString();
    }
    return parsed;
}

// Names in the file are read without their surrounding blanks, so the asked-for name counts
// without them too; otherwise a key written as " NAME" could never be read back.
bool sameName(const QString& stored, const QString& asked)
{
    return QString::compare(stored, trimBlanks(asked), Qt::CaseInsensitive) == 0;
}

Location locate(const QList<QByteArray>& lines, const QString& section, const QString& key)
{
    Location at;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine line = parse(lines[i]);
        if (at.section < 0) {
            if (line.kind == LineKind::Section && sameName(line.name, section)) {
                at.section = i;
                at.keyInsertAt = i + 1;
            }
            continue;
        }
        if (line.kind == LineKind::Section)
            break;
        if (line.kind == LineKind::Key && sameName(line.name, key)) {
            at.key = i;
            break;
        }
        if (!line.blank)
            at.keyInsertAt = i + 1;
    }
    return at;
}

bool enclosedInQuotes(QStringView value)
{
    return value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
}

// The stored value as the classic call hands it out: blanks around it and one pair of
// enclosing quotes (double or single) removed.
QString unquoted(QStringView value)
{
    value = trimBlanks(value);
    if (enclosedInQuotes(value))
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

// The value as it must stand in the file to be read back unchanged: in double quotes when the
// reader would otherwise take blanks or a pair of quotes off it.
QString quotedWhereNeeded(const QString& value)
{
    if (trimBlanks(value).size() == value.size() && !enclosedInQuotes(value))
        return value;
    return u'"' + value + u'"';
}

QByteArray lineBytes(const QString& text)
{
    return cp932::encode(text) + "\r\n";
}

// Makes sure the line before index ends with a line end, so that a line inserted there
// does not run on from it.
void terminateBefore(QList<QByteArray>& lines, qsizetype index)
{
    if (index > 0 && !lines[index - 1].endsWith('\n'))
        lines[index - 1].append("\r\n");
}

QByteArray withValue(QList<QByteArray> lines, const QString& section, const QString& key,
                     const QString& value)
{
    const Location at = locate(lines, section, key);
    const QString stored = quotedWhereNeeded(value);
    if (at.key >= 0) {
        const QString storedName = parse(lines[at.key]).name;
        lines[at.key] = lineBytes(storedName + u'=' + stored);
    } else if (at.section >= 0) {
        terminateBefore(lines, at.keyInsertAt);
        lines.insert(at.keyInsertAt, lineBytes(key + u'=' + stored));
    } else {
        terminateBefore(lines, lines.size());
        lines.append(lineBytes(u'[' + section + u']'));
        lines.append(lineBytes(key + u'=' + stored));
    }
    return lines.join();
}

// Names and values that would break the line structure cannot be stored.
bool storable(const QString& section, const QString& key, const QString& value)
{
    // A key line that starts with ";" is a comment and one that starts with "[" a section line
    // (or nothing), so such a key could never be read back.
    const QStringView keyName = trimBlanks(key);
    return !trimBlanks(section).isEmpty() && !keyName.isEmpty()
        && !section.contains(u']') && !key.contains(u'=') && !keyName.startsWith(u';')
        && !keyName.startsWith(u'[') && !textfields::hasLineBreakOrNul(section)
        && !textfields::hasLineBreakOrNul(key) && !textfields::hasLineBreakOrNul(value);
}

}  // namespace

QString getString(const QString& section, const QString& key, const QString& defaultValue,
                  const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QList<QByteArray> lines = splitLines(file.readAll());
    const Location at = locate(lines, section, key);
    if (at.key < 0)
        return defaultValue;
    const QString value = unquoted(parse(lines[at.key]).value);
    return cp932::decode(textfields::cutBytes(value, ValueBytes));
}

bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& filePath)
{
    if (!storable(section, key, value))
        return false;
    const QFileInfo info(filePath);
    if (!info.absoluteDir().exists() || info.isDir())
        return false;

    QByteArray content;
    const bool existed = info.exists();
    if (existed) {
        QFile current(filePath);
        if (!current.open(QIODevice::ReadOnly))
            return false;
        content = current.readAll();
    }

    return replaceFile(filePath, withValue(splitLines(content), section, key, value), nullptr,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace privateprofile
