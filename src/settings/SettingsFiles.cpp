#include "settings/SettingsFiles.h"

#include "platform/Cp932.h"
#include "platform/FileReplace.h"
#include "platform/NumberRules.h"
#include "platform/PrivateProfile.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qsizetype PrefixLength = 5;
constexpr qsizetype MaxValueLength = 100;
const QString AccountSection = QStringLiteral("EXEINI");

// The file's lines; CR LF, lone CR and lone LF all end a line so that a file edited by hand on
// any system still loads.
QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = cp932::decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

}  // namespace

void LoadMainSettings(AccountSettings& settings, const ProgramFolder& folder)
{
    const QString path = folder.path(MainSettingsPath);
    if (!QFileInfo::exists(path))
        return;
    for (const QString& line : readLines(path)) {
        if (line.size() < PrefixLength)
            continue;
        const QStringView prefix = QStringView(line).left(PrefixLength);
        const QString value = line.mid(PrefixLength, MaxValueLength);
        if (prefix == u"SMTP=")
            settings.SmtpServer = value;
        else if (prefix == u"POP3=")
            settings.Pop3Server = value;
        else if (prefix == u"MAIL=")
            settings.MailAddress = value;
        else if (prefix == u"APOP=")
            // Only 0 and 1 are ever written; a hand-edited number too large for the 16-bit field
            // is clamped, so a non-zero choice stays non-zero.
            settings.UseApop = numberrules::toInt16HalfEven(numberrules::leadingNumber(value));
    }
}

SaveResult SaveMainSettings(const AccountSettings& settings, const ProgramFolder& folder)
{
    const QString path = folder.path(MainSettingsPath);
    const QString text = QStringLiteral("SMTP=") + settings.SmtpServer + QStringLiteral("\r\n")
        + QStringLiteral("POP3=") + settings.Pop3Server + QStringLiteral("\r\n")
        + QStringLiteral("MAIL=") + settings.MailAddress + QStringLiteral("\r\n")
        + QStringLiteral("APOP=") + QString::number(settings.UseApop) + QStringLiteral("\r\n");
    QString error;
    if (!replaceFile(path, cp932::encode(text), &error))
        return {false, path + QStringLiteral("\n") + error};
    return {};
}

StoredAccount ReadAccount(const ProgramFolder& folder)
{
    const QString path = folder.path(AccountFilePath);
    return {privateprofile::getString(AccountSection, QStringLiteral("NAME"), {}, path),
            privateprofile::getString(AccountSection, QStringLiteral("NAME2"), {}, path),
            privateprofile::getString(AccountSection, QStringLiteral("NAME3"), {}, path)};
}

SaveResult SaveAccount(const ProgramFolder& folder, const QString& userId,
                       const QString& password, bool store)
{
    const QString path = folder.path(AccountFilePath);
    bool written = true;
    if (store) {
        written = privateprofile::writeString(AccountSection, QStringLiteral("NAME"), userId, path)
            && privateprofile::writeString(AccountSection, QStringLiteral("NAME2"), password, path);
    }
    written = privateprofile::writeString(AccountSection, QStringLiteral("NAME3"),
                                          store ? QStringLiteral("1") : QStringLiteral("0"), path)
        && written;
    if (!written)
        return {false, path};
    // A file brought over from elsewhere may be readable by others; it holds a password.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return {};
}
