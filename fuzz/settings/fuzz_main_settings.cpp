// libFuzzer target: the main settings file read from a program folder on disk. What must hold:
// - each server and address field is at most 100 characters and holds no line break;
// - a field whose line is absent keeps the value it had;
// - saving what was read and reading it again gives the same four fields.

#include "FuzzCheck.h"
#include "settings/SettingsFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void checkField(const QString& field, const QString& before, const QByteArray& content,
                const char* prefix)
{
    FUZZ_CHECK(field.size() <= 100);
    FUZZ_CHECK(!field.contains(u'\r') && !field.contains(u'\n'));
    if (!content.contains(prefix))
        FUZZ_CHECK(field == before);
}

bool sameFields(const AccountSettings& a, const AccountSettings& b)
{
    return a.SmtpServer == b.SmtpServer && a.Pop3Server == b.Pop3Server
        && a.MailAddress == b.MailAddress && a.UseApop == b.UseApop;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    const ProgramFolder folder(root.path());
    const QString path = folder.path(MainSettingsPath);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    AccountSettings before;
    before.SmtpServer = QStringLiteral("smtp.before");
    before.Pop3Server = QStringLiteral("pop.before");
    before.MailAddress = QStringLiteral("before@example.com");
    before.UseApop = 7;
    AccountSettings read = before;
    LoadMainSettings(read, folder);
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkField(read.SmtpServer, before.SmtpServer, content, "SMTP=");
    checkField(read.Pop3Server, before.Pop3Server, content, "POP3=");
    checkField(read.MailAddress, before.MailAddress, content, "MAIL=");
    if (!content.contains("APOP="))
        FUZZ_CHECK(read.UseApop == before.UseApop);

    FUZZ_CHECK(SaveMainSettings(read, folder).ok);
    AccountSettings again;
    LoadMainSettings(again, folder);
    FUZZ_CHECK(sameFields(read, again));
    QFile::remove(path);
    return 0;
}
