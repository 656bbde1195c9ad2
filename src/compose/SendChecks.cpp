#include "compose/SendChecks.h"

#include "platform/Cp932.h"
#include "platform/TextFields.h"

#include <QStringList>

namespace compose {

namespace {

enum class Fit { Readable, Exact };

// The characters of text that code page 932 does not carry, each once, in order of appearance:
// those it writes as a look-alike of another character (¥ as ￥) or as "〓", and with
// Fit::Exact also those it carries only as the same character at another code point (U+301C 〜
// as ～), which would no longer name the same file.
QStringList lostCharacters(const QString& text, Fit fit)
{
    QStringList lost;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, width);
        qsizetype inexact = 0;
        const QByteArray encoded = cp932::encode(character, &inexact);
        const bool carried = fit == Fit::Exact ? cp932::decode(encoded) == character : inexact == 0;
        if (!carried && !lost.contains(character))
            lost.append(character);
        i += width;
    }
    return lost;
}

QString senderRefusal(const AccountSettings& account)
{
    if (!textfields::trimSpaces(account.MailAddress).isEmpty())
        return {};
    return QStringLiteral("差出人のメールアドレスが設定されていないため、送信できません。\n"
                          "メイン画面の「設定」から「POPサーバー」を開き、「メールアドレス」に"
                          "あなたのメールアドレスを入力してください。");
}

QString recipientRefusal(const OutgoingMail& mail, const BoxCaptions& captions, Recipients recipients)
{
    if (recipients == Recipients::AddressBook || !textfields::trimSpaces(mail.to).isEmpty())
        return {};
    return QStringLiteral("宛先がありません。「%1」に送り先のメールアドレスを入力してから送信してください。").arg(captions.to);
}

QString lineBreakRefusal(const OutgoingMail& mail, const BoxCaptions& captions)
{
    const std::pair<const QString*, const QString*> boxes[] = {
        {&mail.to, &captions.to}, {&mail.subject, &captions.subject}, {&mail.attachments, &captions.attachments}};
    for (const auto& [text, caption] : boxes) {
        if (textfields::hasLineBreakOrNul(*text))
            return QStringLiteral("「%1」に改行（または NUL 文字）が含まれているため、送信できません。\n"
                                  "「%1」を一行に直してから送信してください。")
                .arg(*caption);
    }
    return {};
}

// One line per box that would lose characters: "「件名」: é 简".
QStringList losses(const OutgoingMail& mail, const BoxCaptions& captions)
{
    const std::pair<const QString*, QString> boxes[] = {{&mail.to, captions.to},
                                                        {&mail.subject, captions.subject},
                                                        {&mail.body, QStringLiteral("本文")},
                                                        {&mail.attachments, captions.attachments}};
    QStringList lines;
    for (const auto& [text, caption] : boxes) {
        const QStringList lost = lostCharacters(*text, Fit::Readable);
        if (!lost.isEmpty())
            lines.append(QStringLiteral("「%1」: %2").arg(caption, lost.join(u' ')));
    }
    return lines;
}

}  // namespace

bool readyToSend(MessageBoxes& messages, QWidget* window, const AccountSettings& account,
                 const OutgoingMail& mail, const BoxCaptions& captions, Recipients recipients)
{
    for (const QString& refusal :
         {senderRefusal(account), recipientRefusal(mail, captions, recipients), lineBreakRefusal(mail, captions)}) {
        if (!refusal.isEmpty()) {
            messages.warn(window, refusal);
            return false;
        }
    }
    const QStringList lost = losses(mail, captions);
    if (lost.isEmpty())
        return true;
    const QString question = QStringLiteral("次の文字は送信できないため、似た文字か「〓」に置き換わって送信されます。\n\n%1\n\n"
                                            "このまま送信しますか？\n「いいえ」を選ぶと送信せずに、この画面に戻ります。")
                                 .arg(lost.join(u'\n'));
    return messages.show(window, question, QString(), MessageButtons::YesNo, MessageIcon::Question) ==
           MessageAnswer::Yes;
}

std::optional<QString> attachmentRefusal(const QString& path)
{
    QString why;
    if (path.contains(u','))
        why = QStringLiteral("パスに「,」が含まれています。「,」は添付ファイルの区切りに使われるため、"
                             "このままでは送れません。");
    else if (const QStringList lost = lostCharacters(path, Fit::Exact); !lost.isEmpty())
        why = QStringLiteral("パスに、メールに載せられない文字があります: %1").arg(lost.join(u' '));
    if (why.isEmpty())
        return std::nullopt;
    return QStringLiteral("このファイルは添付できません。\n%1\n"
                          "ファイルやフォルダの名前を変えてから、もう一度選んでください。\n\n%2")
        .arg(why, path);
}

}  // namespace compose
