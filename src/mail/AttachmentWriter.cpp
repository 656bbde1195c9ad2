#include "mail/AttachmentWriter.h"

#include "mail/Charsets.h"
#include "mail/MailLoss.h"
#include "mail/ParsedMail.h"
#include "platform/Cp932.h"
#include "platform/DiskSpace.h"
#include "platform/NewFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <vmime/vmime.hpp>


namespace nmail {

namespace {

// Longest name in bytes of code page 932; leaves room for any " (n)" within common limits.
constexpr qsizetype MaxNameBytes = 200;
// Longest name in bytes of the file system's own encoding, whose limit is 255 bytes: a kanji
// takes three bytes there against two in code page 932, so 200 bytes of 932 may not fit. Room
// is left for a number of up to ten digits, " (2147483647)", here too.
constexpr qsizetype MaxNativeNameBytes = 240;

QString parameterText(const vmime::bodyPart& part, const char* fieldName, const char* parameterName)
{
    auto field = std::dynamic_pointer_cast<vmime::parameterizedHeaderField>(
        part.getHeader()->findField(fieldName));
    auto parameter = field ? field->findParameter(parameterName) : nullptr;
    if (!parameter)
        return {};
    const vmime::word& value = parameter->getValue();
    const QByteArray bytes = QByteArray::fromStdString(value.getBuffer());
    // Many mailers put RFC 2047 words into parameters although the standard says not to.
    if (bytes.contains("=?"))
        return decodeHeaderText(bytes);
    const std::string label = value.getCharset().getName();
    return charsets::decode(bytes, label == "us-ascii" ? QByteArray() : QByteArray::fromStdString(label));
}

QString proposedName(const vmime::bodyPart& part)
{
    QString name = parameterText(part, vmime::fields::CONTENT_DISPOSITION, "filename");
    if (name.trimmed().isEmpty())
        name = parameterText(part, vmime::fields::CONTENT_TYPE, "name");
    return name;
}

// For an attachment without a usable name: a forwarded mail opens as one, a text as text.
QString fallbackName(int index, const QByteArray& mediaType)
{
    const char* extension = mediaType == "message/rfc822" ? "eml" : mediaType.startsWith("text/") ? "txt" : "dat";
    return QStringLiteral("attachment%1.%2").arg(index).arg(QLatin1String(extension));
}

bool isReservedDeviceName(const QString& name)
{
    static const QRegularExpression reserved(QStringLiteral("^(con|prn|aux|nul|com[0-9]|lpt[0-9])(\\..*)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

QString withNumber(const QString& name, int number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

// Gives the complete file its name in folder: the name itself when it is free, else the name
// with the first free number; numbers never run out. A mailbox of many mails with the same
// attachment name would try every taken number for every mail, so the search goes on from where
// the last one for that name ended.
NewFile::Naming giveFreeName(NewFile& file, const QString& folder, const QString& name, const FileNaming& naming)
{
    static QHash<QString, int> lastNumber;
    auto tryNumber = [&](int number) {
        const QString candidate = withNumber(name, number);
        if (naming)
            naming(folder + u'/' + candidate, file.inode());
        return file.tryName(candidate);
    };
    NewFile::Naming result = tryNumber(1);
    if (result != NewFile::Naming::Taken)
        return result;
    int& last = lastNumber[folder + u'/' + name];
    for (int number = std::max(2, last + 1); number < std::numeric_limits<int>::max(); ++number) {
        result = tryNumber(number);
        if (result == NewFile::Naming::Named)
            last = number;
        if (result != NewFile::Naming::Taken)
            return result;
    }
    return NewFile::Naming::Failed;
}

// Why a file could not be written or named, in the user's words.
QString writeFailure(const QString& name, const QString& reason, const QString& folder)
{
    return QStringLiteral("添付ファイル %1 を書き込めません: %2").arg(name, diskIsFull(folder) ? DiskFullText : reason);
}

}  // namespace

QString safeFileName(const QString& proposed, const QString& fallback)
{
    // Round-trip through code page 932: what it cannot hold becomes a look-alike or "〓".
    QString name = cp932::decode(cp932::encode(proposed));
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    while (!name.isEmpty() && (name.front() == u' ' || name.front() == u'.'))
        name.remove(0, 1);
    while (!name.isEmpty() && (name.back() == u' ' || name.back() == u'.'))
        name.chop(1);
    if (name.isEmpty() || isReservedDeviceName(name))
        name = fallback;
    while (cp932::encode(name).size() > MaxNameBytes || QFile::encodeName(name).size() > MaxNativeNameBytes) {
        const qsizetype dot = name.lastIndexOf(u'.');
        const bool keepExtension = dot > 0 && name.size() - dot <= 10 && dot > 1;
        name = keepExtension ? name.left(dot - 1) + name.mid(dot) : name.chopped(1);
    }
    return name;
}

QStringList attachmentFileNames(const ParsedMail& mail)
{
    QStringList names;
    for (const MailLeaf& leaf : mail.leaves()) {
        if (leaf.role != MailLeaf::Role::Attachment)
            continue;
        const int index = int(names.size()) + 1;
        names.append(mail.isFragment() ? QString() : safeFileName(proposedName(*leaf.part), fallbackName(index, leaf.mediaType)));
    }
    return names;
}

AttachmentReport writeAttachments(const ParsedMail& mail, const QString& folder, const FileNaming& naming)
{
    AttachmentReport report;
    if (mail.isFragment()) {
        report.result = -6;
        report.error = QStringLiteral("分割されたメールの一部しかありません");
        return report;
    }
    QString dir = folder;
    dir.replace(u'\\', u'/');
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    const QStringList names = attachmentFileNames(mail);
    qsizetype index = 0;
    for (const MailLeaf& leaf : mail.leaves()) {
        if (leaf.role != MailLeaf::Role::Attachment)
            continue;
        const QString& name = names[index++];
        bool clean = true;
        std::unique_ptr<NewFile> decoded = mail.takeDecodedAhead(leaf, dir, &clean);
        if (!decoded) {
            decoded = std::make_unique<NewFile>(dir);
            bool written = decoded->isOpen();
            const ContentRead read = mail.writeContent(leaf, [&](const char* data, qsizetype size) {
                return written = written && decoded->write(data, size);
            });
            if (!written) {
                report.result = -5;
                report.error = writeFailure(name, decoded->error(), dir);
                return report;
            }
            clean = !read.unclean;
        }
        NewFile& file = *decoded;
        report.losses |= clean ? 0 : MailLoss::Undecodable;
        if (giveFreeName(file, dir, name, naming) != NewFile::Naming::Named) {
            if (!file.path().isEmpty())
                QFile::remove(file.path());  // named, but its last bytes may not have been written
            report.result = -5;
            report.error = writeFailure(name, file.error(), dir);
            return report;
        }
        report.written.append(file.path());
    }
    report.result = report.written.isEmpty() ? 0 : 1;
    return report;
}

}  // namespace nmail
