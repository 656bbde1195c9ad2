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
// Readers of the account file take a value into a 256-byte buffer.
constexpr qsizetype MaxAccountValueBytes = 255;

// Why the value of the account file would not read back as given, or an empty text.
QString unstorableBecause(const QString& what, const QString& value)
{
    const QByteArray bytes = cp932::encode(value);
    if (cp932::decode(bytes) != value)
        return QStringLiteral("%1に、保存できない文字が含まれています。").arg(what);
    if (bytes.size() > MaxAccountValueBytes)
        return QStringLiteral("%1が長すぎます。保存できるのは%2バイト（全角文字は2バイト）までです。")
            .arg(what)
            .arg(MaxAccountValueBytes);
    return {};
}

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

QString SingleLineValue(const QString& text)
{
    QString line = text;
    line.remove(u'\r').remove(u'\n').remove(QChar(0));
    return line;
}

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
    const QString text = QStringLiteral("SMTP=") + SingleLineValue(settings.SmtpServer) + QStringLiteral("\r\n")
        + QStringLiteral("POP3=") + SingleLineValue(settings.Pop3Server) + QStringLiteral("\r\n")
        + QStringLiteral("MAIL=") + SingleLineValue(settings.MailAddress) + QStringLiteral("\r\n")
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

StoredAccount AccountInUse(const ProgramFolder& folder, const AccountSettings& account)
{
    if (account.EnteredThisRun)
        return {account.UserId, account.Password, {}};
    return ReadAccount(folder);
}

SaveResult SaveAccount(const ProgramFolder& folder, const QString& userId,
                       const QString& password, bool store)
{
    const QString path = folder.path(AccountFilePath);
    if (store) {
        for (const QString& why : {unstorableBecause(QStringLiteral("ID"), userId),
                                   unstorableBecause(QStringLiteral("パスワード"), password)}) {
            if (!why.isEmpty())
                return {false, why};
        }
    }
    bool written = true;
    if (store) {
        written = privateprofile::writeString(AccountSection, QStringLiteral("NAME"), userId, path)
            && privateprofile::writeString(AccountSection, QStringLiteral("NAME2"), password, path);
    }
    written = privateprofile::writeString(AccountSection, QStringLiteral("NAME3"),
                                          store ? QStringLiteral("1") : QStringLiteral("0"), path)
        && written;
    if (!written)
        return {false, path + QStringLiteral("\n\nデータフォルダ「★MAilData」があるか、書き込めるか確かめてください。")};
    // A file brought over from elsewhere may be readable by others; it holds a password.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return {};
}

AccountFileAccess NarrowAccountFile(const ProgramFolder& folder, QString* error)
{
    const QString path = folder.path(AccountFilePath);
    const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::WriteOther | QFile::ExeOther;
    if (!QFileInfo::exists(path) || !(QFile::permissions(path) & others))
        return AccountFileAccess::Private;
    if (QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        return AccountFileAccess::Narrowed;
    *error = path;
    return AccountFileAccess::Open;
}
