#include "settings/TrustPrompt.h"

#include "mail/MailOptions.h"
#include "mail/NMailSession.h"
#include "platform/Cp932.h"
#include "platform/Seams.h"

#include <QCursor>
#include <QGuiApplication>

#include <vector>

namespace {

const QString TrustFile = QStringLiteral("\\★MAilData\\trusted-certificates.txt");
const QString SecurityFile = QStringLiteral("\\★MAilData\\server-security.txt");

QString dateText(const QDateTime& when)
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QStringLiteral("不明");
}

// 32 bytes in two lines of 16, so the box stays narrow.
QString fingerprintLines(const nmail::CertificateFacts& facts)
{
    const QString text = facts.fingerprintText();
    return text.left(47) + u'\n' + text.mid(48);
}

}  // namespace

void useTrustedCertificatesOf(const ProgramFolder& folder)
{
    nmail::options().trustFile = folder.path(TrustFile);
    nmail::options().securityFile = folder.path(SecurityFile);
}

QString lastMailFailureText()
{
    std::vector<char> reason(8192);
    int length = static_cast<int>(reason.size());
    nmail::NMailGetMessage(0, reason, length);
    return cp932::decode(QByteArray(reason.data(), length));
}

bool askToTrustCertificate(MessageBoxes& messages, QWidget* parent, const nmail::CertificateFacts& facts)
{
    if (facts.sha256.isEmpty())
        return false;  // no certificate at all: nothing that could be trusted
    const QString opening = facts.replacesPinned
        ? QStringLiteral("警告: サーバー %1 の証明書が、以前に信頼した証明書から変わっています。\n"
                         "サーバーの管理者が証明書を更新したのでなければ、通信が横取りされている"
                         "おそれがあります。")
        : QStringLiteral("サーバー %1 の証明書は、システムの認証局で確認できません。");
    const QString text = opening.arg(facts.server) + QStringLiteral("\n\n") +
        QStringLiteral("発行先: %1\n発行者: %2\n有効期間: %3 ～ %4\nSHA-256 指紋:\n%5\n")
            .arg(facts.subject, facts.issuer, dateText(facts.validFrom), dateText(facts.validUntil),
                 fingerprintLines(facts)) +
        (facts.problems.isEmpty() ? QString() : QStringLiteral("問題: %1\n").arg(facts.problems.join(QStringLiteral("; ")))) +
        QStringLiteral("\nこの証明書を、このサーバーについて信頼しますか？\n"
                       "信頼すると、このサーバーでは今後この証明書だけを受け入れます。");
    // A question under a wait cursor would look as if the program were still busy.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    const MessageAnswer answer =
        messages.show(parent, text, QStringLiteral("証明書の確認"), MessageButtons::YesNo, MessageIcon::Warning);
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    if (answer != MessageAnswer::Yes)
        return false;
    if (nmail::NMailTrustCertificate(facts) == 0)
        return true;
    messages.warn(parent, lastMailFailureText(), QStringLiteral("エラー"));
    return false;
}
