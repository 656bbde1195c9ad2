#include "mail/AddressList.h"

#include "mail/Charsets.h"
#include "mail/HeaderEncoding.h"
#include "platform/TextFields.h"

#include <QRegularExpression>

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

// RFC 5322: lines SHOULD keep to 78 characters.
constexpr qsizetype FoldAt = 78;

// The parser hands back what the user typed as words: plain ones hold UTF-8 (the text given
// to it), encoded ones their own charset.
QString textOf(const vmime::text& words)
{
    QString out;
    for (size_t i = 0; i < words.getWordCount(); ++i) {
        const auto word = words.getWordAt(i);
        const QByteArray bytes = QByteArray::fromStdString(word->getBuffer());
        const std::string charset = vmime::utility::stringUtils::toLower(word->getCharset().getName());
        out += charset == "us-ascii" ? QString::fromUtf8(bytes) : charsets::decode(bytes, charset.c_str());
    }
    return out.trimmed();
}

// RFC 5322 dot-atom for the local part and the domain, or a domain literal.
bool isAddrSpec(const QString& local, const QString& domain)
{
    static const QRegularExpression dotAtom(QStringLiteral(R"(^[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*$)"));
    static const QRegularExpression literal(QStringLiteral(R"(^\[[\x21-\x5a\x5e-\x7e]*\]$)"));
    return dotAtom.match(local).hasMatch() && (dotAtom.match(domain).hasMatch() || literal.match(domain).hasMatch());
}

// The item as written, without a trailing "(comment)".
QString withoutComment(QString item)
{
    item = item.trimmed();
    if (item.endsWith(u')')) {
        const qsizetype open = item.lastIndexOf(u'(');
        if (open > 0)
            item = item.left(open).trimmed();
    }
    return item;
}

// A mailbox is taken only when the parser read all of it: it guesses an address for a bare
// name ("Yamada" becomes Yamada@<this host>) and drops what it cannot place ("a b@c" becomes
// a@<this host>).
std::optional<Mailbox> checkedMailbox(const vmime::mailbox& parsed, const QString& written, QString* error)
{
    const QString local = QString::fromUtf8(parsed.getEmail().getLocalName().getBuffer());
    const QString domain = QString::fromUtf8(parsed.getEmail().getDomainName().getBuffer());
    const QString addrSpec = local + u'@' + domain;
    const QString item = withoutComment(written);
    const bool whole = item == addrSpec || item.endsWith(u'<' + addrSpec + u'>');
    if (!whole || !isAddrSpec(local, domain)) {
        *error = QStringLiteral("メールアドレスとして読めません: %1").arg(written.trimmed());
        if (!written.contains(u'@'))
            *error += QStringLiteral("\n（「,」を含む名前は \"Yamada, Taro\" <taro@example.jp> のように"
                                     "\" \" で囲んでください）");
        return std::nullopt;
    }
    const QString name = textOf(parsed.getName());
    if (textfields::hasLineBreakOrNul(name)) {
        *error = QStringLiteral("名前に改行が含まれています: %1").arg(written.trimmed());
        return std::nullopt;
    }
    return Mailbox{name, addrSpec.toLatin1()};
}

}  // namespace

std::optional<QList<Mailbox>> parseAddressList(QStringView text, QString* error)
{
    if (textfields::hasLineBreakOrNul(text)) {
        *error = QStringLiteral("改行または NUL 文字が含まれています");
        return std::nullopt;
    }
    const std::string input = text.toUtf8().toStdString();
    vmime::addressList list;
    try {
        list.parse(input);
    } catch (const std::exception& e) {
        *error = QStringLiteral("アドレスを読めません: %1").arg(QString::fromLocal8Bit(e.what()));
        return std::nullopt;
    }
    auto written = [&input](const vmime::component& c) {
        return QString::fromUtf8(input.substr(c.getParsedOffset(), c.getParsedLength()));
    };
    QList<Mailbox> out;
    for (size_t i = 0; i < list.getAddressCount(); ++i) {
        const auto address = list.getAddressAt(i);
        std::vector<std::shared_ptr<vmime::mailbox>> members;
        if (const auto group = std::dynamic_pointer_cast<vmime::mailboxGroup>(address))
            members = group->getMailboxList();
        else if (const auto mailbox = std::dynamic_pointer_cast<vmime::mailbox>(address))
            members.push_back(mailbox);
        for (const auto& member : members) {
            const auto checked = checkedMailbox(*member, written(*member), error);
            if (!checked)
                return std::nullopt;
            out.append(*checked);
        }
    }
    return out;
}

QString replyRecipient(const QString& sender)
{
    QString ignored;
    const auto asKept = parseAddressList(sender, &ignored);
    if (asKept && asKept->size() == 1)
        return sender;
    const QString text = sender.trimmed();
    const qsizetype open = text.lastIndexOf(u'<');
    if (open <= 0 || !text.endsWith(u'>'))
        return sender;
    QString name = text.first(open).trimmed();
    name.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    const QString quoted = u'"' + name + QStringLiteral("\" ") + text.sliced(open);
    const auto mended = parseAddressList(quoted, &ignored);
    return mended && mended->size() == 1 ? quoted : sender;
}

QByteArray formatAddressList(const QList<Mailbox>& mailboxes, qsizetype nameLength)
{
    // Pieces that may each start a continuation line: the encoded words of a name, "<addr>".
    QList<QByteArray> pieces;
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        const Mailbox& mailbox = mailboxes.at(i);
        if (mailbox.name.isEmpty()) {
            pieces.append(mailbox.addrSpec);
        } else {
            pieces += encodePhrase(mailbox.name).split('\n');
            pieces.append('<' + mailbox.addrSpec + '>');
        }
        if (i + 1 < mailboxes.size())
            pieces.last() += ',';
    }
    QByteArray out;
    qsizetype used = nameLength;
    for (QByteArray piece : pieces) {
        piece = piece.trimmed();
        if (!out.isEmpty()) {
            if (used + 1 + piece.size() > FoldAt) {
                out += "\r\n";
                used = 0;
            }
            out += ' ';
            ++used;
        }
        out += piece;
        used += piece.size();
    }
    return out;
}

}  // namespace nmail
