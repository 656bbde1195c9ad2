#include "mail/MailFailureText.h"

namespace nmail {

namespace {

const QString TryLater = QStringLiteral("しばらくしてからもう一度お試しください。");
const QString Tampered = QStringLiteral("通信が途中で改ざんされているおそれがあります。");

QString seconds(std::chrono::milliseconds timeout) { return QString::number((timeout.count() + 999) / 1000); }

QString serverSaid(const MailFailure& f)
{
    const QString words = QString::fromUtf8(f.reply.left(300)).trimmed();
    return words.isEmpty() ? QString() : QStringLiteral(" (サーバーの返事: %1)").arg(words);
}

QString kilobytes(qint64 bytes) { return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024); }

bool asksForAppPassword(const MailFailure& f)
{
    const QByteArray said = f.reply.toLower();
    return said.contains("application-specific password") || said.contains("app password") ||
           said.contains("application specific password") || f.enhanced == "5.7.9";
}

// POP3's response codes (RFC 2449, RFC 3206) and SMTP's reply and enhanced codes that mean the
// same to the user.
QString refusalReason(const MailFailure& f)
{
    if (asksForAppPassword(f))
        return QStringLiteral("このプロバイダーは、通常のパスワードでのログインを受け付けません。"
                              "プロバイダーの設定でアプリ パスワードを作り、設定 → ID/PASS に入れてください"
                              " (OAuth 2.0 にしか対応しないプロバイダーでは、このプログラムは使えません)。");
    if (f.code == "IN-USE")
        return QStringLiteral("メールボックスは別の接続が使用中です。") + TryLater;
    if (f.code == "LOGIN-DELAY")
        return QStringLiteral("前回の受信から間もないため、サーバーがログインを断りました。") + TryLater;
    if (f.code == "SYS/TEMP" || (f.smtpCode >= 400 && f.smtpCode < 500 && f.smtpCode != 454))
        return QStringLiteral("サーバーが一時的に受け付けられない状態です。") + TryLater;
    if (f.code == "SYS/PERM")
        return QStringLiteral("サーバー側の障害で受け付けられません。プロバイダーにお問い合わせください。");
    if (f.code == "AUTH" || f.smtpCode == 535 || f.kind == MailFailure::Kind::Authentication)
        return QStringLiteral("IDまたはパスワードが正しくありません。設定 → ID/PASS を確かめてください。");
    if (f.smtpCode == 530)
        return QStringLiteral("サーバーがログインを求めていますが、IDとパスワードが設定されていません (設定 → ID/PASS)。");
    if (f.smtpCode == 552)
        return QStringLiteral("メールが大きすぎるため、サーバーが受け付けません。");
    if (f.smtpCode == 554 || f.enhanced == "5.7.1")
        return QStringLiteral("サーバーが送信を断りました (ログインが必要か、宛先を受け付けていません)。");
    return QStringLiteral("サーバーが処理を断りました。");
}

QString recipientsReason(const MailFailure& f)
{
    const QString refused = QStringLiteral("サーバーが次の宛先を断りました: %1。").arg(f.refused.join(QStringLiteral(", ")));
    if (f.accepted.isEmpty())
        return refused + QStringLiteral("メールはどの宛先にも送信していません。");
    return refused + QStringLiteral("ほかの宛先 (%1) には送信しました。").arg(f.accepted.join(QStringLiteral(", ")));
}

QString reason(const MailFailure& f, std::chrono::milliseconds timeout)
{
    using Kind = MailFailure::Kind;
    switch (f.kind) {
    case Kind::None:
        break;
    case Kind::Unreachable:
        return QStringLiteral("接続できません (%1)").arg(f.detail);
    case Kind::Timeout:
        return QStringLiteral("応答がありません (%1 秒待ちました)").arg(seconds(timeout));
    case Kind::Closed:
        return f.detail.isEmpty() ? QStringLiteral("サーバーが接続を切りました")
                                  : QStringLiteral("接続が切れました (%1)").arg(f.detail);
    case Kind::Tls:
        return QStringLiteral("TLSで接続できません (%1)").arg(f.detail);
    case Kind::Untrusted:
        return QStringLiteral("証明書を信頼できません (%1)").arg(f.detail);
    case Kind::PinChanged:
        return QStringLiteral("証明書が以前に信頼したものと違います");
    case Kind::LineTooLong:
        return QStringLiteral("応答の行が長すぎます");
    case Kind::Oversized:
        return QStringLiteral("予告より大幅に大きいデータが送られてきました");
    case Kind::TooSlow:
        return QStringLiteral("応答が遅すぎます");
    case Kind::Abandoned:
        return QStringLiteral("受け取ったデータを保存できないため、受信を中断しました");
    case Kind::Protocol:
        return QStringLiteral("応答が正しくありません: %1").arg(QString::fromUtf8(f.reply.left(200)));
    case Kind::TlsRefused:
        return QStringLiteral("サーバーが暗号化 (TLS) の開始を断りました%1。%2"
                              "パスワードもメールも送らずに接続を切りました。").arg(serverSaid(f), Tampered);
    case Kind::Downgrade:
        return QStringLiteral("以前は暗号化 (TLS) で通信したサーバーが、今回は暗号化を申し出ませんでした。%1"
                              "パスワードもメールも送らずに接続を切りました。"
                              "サーバーの設定が本当に変わったのなら、データフォルダの server-security.txt から"
                              "このサーバーの行を消してください。").arg(Tampered);
    case Kind::ConsentNeeded:
        return QStringLiteral("このサーバーは暗号化 (TLS) に対応していないため、パスワードが暗号化されずに送られます。"
                              "送ることに同意していないので、ログインしませんでした。");
    case Kind::OAuthRequired:
        return QStringLiteral("このサーバーは OAuth 2.0 でのログインしか受け付けません。"
                              "プロバイダーがアプリ パスワードを発行していれば、それを設定 → ID/PASS に入れてください。");
    case Kind::NoApop:
        return QStringLiteral("APOPで認証できません: サーバーがAPOPに対応していません");
    case Kind::TooLarge:
        if (f.sizeLimit <= 0)
            return QStringLiteral("メール (%1) が大きすぎるため、サーバーが受け付けませんでした%2。")
                .arg(kilobytes(f.mailSize), serverSaid(f));
        return QStringLiteral("メールが大きすぎるため送信しませんでした (メール %1、サーバーの上限 %2)。")
            .arg(kilobytes(f.mailSize), kilobytes(f.sizeLimit));
    case Kind::Local:
        return f.detail;
    case Kind::Refused:
    case Kind::Authentication:
        return refusalReason(f) + serverSaid(f);
    case Kind::RecipientsRefused:
        return recipientsReason(f);
    }
    return QStringLiteral("原因不明のエラーです");
}

}  // namespace

QString socketErrorText(QAbstractSocket::SocketError error, const QString& qtText)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("サーバーが接続を拒否しました");
    case QAbstractSocket::RemoteHostClosedError:
        return {};
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("サーバー名が見つかりません");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("時間内に接続できませんでした");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("ネットワークのエラー");
    default:
        return qtText;
    }
}

QString describe(const MailFailure& failure, std::chrono::milliseconds timeout)
{
    const QString protocol = failure.protocol == MailProtocol::Pop3 ? QStringLiteral("POP3") : QStringLiteral("SMTP");
    return QStringLiteral("%1サーバー %2: %3").arg(protocol, failure.server, reason(failure, timeout));
}

}  // namespace nmail
