#include "settings/LoginConsent.h"

#include "mail/NMailSession.h"
#include "platform/Seams.h"
#include "settings/TrustPrompt.h"

#include <QCursor>
#include <QGuiApplication>

LoginConsent askUnencryptedLoginIfNeeded(MessageBoxes& messages, QWidget* parent)
{
    const std::optional<QString> server = nmail::NMailUnencryptedLoginServer();
    if (!server)
        return LoginConsent::NotAsked;
    const QString text = QStringLiteral(
        "サーバー %1 は暗号化 (TLS) に対応していません。\n\n"
        "このまま続けると、パスワードが暗号化されずに送られます。通信の途中にいる人"
        " (同じネットワークの利用者、経路上の機器の管理者など) が、パスワードをそのまま読み取れます。"
        "メールの内容も暗号化されません。\n\n"
        "このサーバーに、パスワードを暗号化せずに送りますか？\n"
        "「はい」を選ぶと、このサーバーについては次回から確認しません。\n\n"
        "プロバイダーが暗号化に対応している場合は「いいえ」を選び、サーバーの指定を"
        " POP3 は「サーバー名:995」、SMTP は「サーバー名:465」に変えてください。").arg(*server);
    // A question under a wait cursor would look as if the program were still busy.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    const MessageAnswer answer = messages.show(parent, text, QStringLiteral("パスワードを暗号化せずに送る確認"),
                                               MessageButtons::YesNo, MessageIcon::Warning);
    LoginConsent result = LoginConsent::Declined;
    if (answer == MessageAnswer::Yes) {
        if (nmail::NMailAllowUnencryptedLogin(*server) == 0) {
            result = LoginConsent::Allowed;
        } else {
            messages.warn(parent, lastMailFailureText(), QStringLiteral("エラー"));
        }
    }
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return result;
}
