#include "mail/OutgoingMailCheck.h"

#include "mail/AddressList.h"
#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QRegularExpression>

namespace nmail {

namespace {

QStringList splitPaths(const QString& joined)
{
    QStringList items;
    for (const QString& item : joined.split(u',')) {
        if (!item.trimmed().isEmpty())
            items.append(item.trimmed());
    }
    return items;
}

// Extra header lines, each "Name: value" or the continuation of one; anything else (a bare
// CR, a NUL, a line that is no field) would break the header apart.
std::optional<QByteArray> extraHeaderLines(const QString& text)
{
    QByteArray lines = cp932::encode(text).replace("\r\n", "\n");
    if (lines.contains('\r') || lines.contains('\0'))
        return std::nullopt;
    static const QRegularExpression field(QStringLiteral("^[!-9;-~]+:"));
    QByteArray out;
    for (const QByteArray& line : lines.split('\n')) {
        if (line.isEmpty())
            continue;
        const bool continuation = (line.startsWith(' ') || line.startsWith('\t')) && !out.isEmpty();
        if (!continuation && !field.match(QString::fromLatin1(line)).hasMatch())
            return std::nullopt;
        out += line + "\r\n";
    }
    return out;
}

}  // namespace

std::optional<OutgoingMail> checkedOutgoingMail(const QString& to, const QString& cc, const QString& bcc,
                                                const QString& from, const QString& subject, const QString& body,
                                                const QString& header, const QString& attachments, QString* error)
{
    const std::pair<QString, const QString*> oneLine[] = {
        {QStringLiteral("宛先"), &to}, {QStringLiteral("Cc"), &cc}, {QStringLiteral("Bcc"), &bcc},
        {QStringLiteral("差出人"), &from}, {QStringLiteral("件名"), &subject},
        {QStringLiteral("添付ファイルのパス"), &attachments}};
    for (const auto& [what, text] : oneLine) {
        if (textfields::hasLineBreakOrNul(*text)) {
            *error = QStringLiteral("%1に改行または NUL 文字が含まれています").arg(what);
            return std::nullopt;
        }
    }
    OutgoingMail mail;
    const auto sender = parseAddressList(from, error);
    if (!sender || sender->size() != 1) {
        *error = from.trimmed().isEmpty() ? QStringLiteral("差出人のメールアドレスがありません")
                                          : QStringLiteral("差出人のメールアドレスが正しくありません: %1").arg(from);
        return std::nullopt;
    }
    mail.from = sender->first();
    const std::pair<QString, const QString*> lists[] = {
        {QStringLiteral("宛先"), &to}, {QStringLiteral("Cc"), &cc}, {QStringLiteral("Bcc"), &bcc}};
    QList<Mailbox>* targets[] = {&mail.to, &mail.cc, &mail.bcc};
    for (int i = 0; i < 3; ++i) {
        const auto parsed = parseAddressList(*lists[i].second, error);
        if (!parsed) {
            *error = lists[i].first + QStringLiteral("の") + *error;
            return std::nullopt;
        }
        *targets[i] = *parsed;
    }
    if (mail.to.isEmpty() && mail.cc.isEmpty() && mail.bcc.isEmpty()) {
        *error = QStringLiteral("宛先がありません");
        return std::nullopt;
    }
    const auto extra = extraHeaderLines(header);
    if (!extra) {
        *error = QStringLiteral("追加のヘッダーが正しくありません");
        return std::nullopt;
    }
    mail.subject = subject;
    mail.body = body;
    mail.attachmentPaths = splitPaths(attachments);
    mail.extraHeader = *extra;
    return mail;
}

}  // namespace nmail
