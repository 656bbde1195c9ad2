#include "mail/MailFailureText.h"

namespace nmail {

namespace {

QString seconds(std::chrono::milliseconds timeout) { return QString::number((timeout.count() + 999) / 1000); }

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
        return QStringLiteral("接続が切れました (%1)").arg(f.detail);
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
    }
    return QStringLiteral("原因不明のエラーです");
}

}  // namespace

QString describe(const MailFailure& failure, std::chrono::milliseconds timeout)
{
    const QString protocol = failure.protocol == MailProtocol::Pop3 ? QStringLiteral("POP3") : QStringLiteral("SMTP");
    return QStringLiteral("%1サーバー %2: %3").arg(protocol, failure.server, reason(failure, timeout));
}

}  // namespace nmail
