#include "compose/SentMail.h"

#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"
#include "settings/LoginConsent.h"
#include "settings/SettingsFiles.h"
#include "settings/TrustPrompt.h"

#include <string>

namespace compose {

namespace {

std::string cp932Bytes(const QString& text) { return cp932::encode(text).toStdString(); }

}  // namespace

store::HistoryRecord sentRecord(const QString& clockText, const OutgoingMail& mail)
{
    store::HistoryRecord record;
    record.Subject = textfields::trimSpaces(mail.subject);
    record.setDateField(store::HistoryKind::Sent, clockText);
    record.setAddressField(store::HistoryKind::Sent, textfields::trimSpaces(mail.to));
    record.Body = textfields::trimSpaces(mail.body);
    record.InUse = 1;
    return record;
}

std::optional<QString> sendMail(const AccountSettings& account, const ProgramFolder& folder,
                                const OutgoingMail& mail, TrustQuestion& trust)
{
    useTrustedCertificatesOf(folder);
    const StoredAccount login = AccountInUse(folder, account);
    nmail::options().smtpUserId = login.userId;
    nmail::options().smtpPassword = login.password;
    auto send = [&] {
        return nmail::NMailSmtpSendMail(cp932Bytes(account.SmtpServer), cp932Bytes(mail.to), {}, {},
                                        cp932Bytes(account.MailAddress), cp932Bytes(mail.subject),
                                        cp932Bytes(mail.body), cp932Bytes(mail.header), cp932Bytes(mail.attachments), 0);
    };
    int result = send();
    // Nothing went over a connection whose certificate was refused: once the user trusts it,
    // the same mail goes out.
    if (const auto certificate = nmail::NMailUntrustedCertificate(); result < 0 && certificate && !trust.declined) {
        if (askToTrustCertificate(trust.messages, trust.window, *certificate))
            result = send();
        else
            trust.declined = true;
    }
    // The same for a password that would cross unencrypted: asked once per press of "送信".
    if (result < 0 && !trust.declined) {
        const LoginConsent consent = askUnencryptedLoginIfNeeded(trust.messages, trust.window);
        if (consent == LoginConsent::Allowed)
            result = send();
        trust.declined = consent == LoginConsent::Declined;
    }
    if (result < 0)
        return lastMailFailureText();
    return std::nullopt;
}

}  // namespace compose
