#pragma once
// Address lists as a person writes them ("a@example.jp, \"Yamada, Taro\" <taro@example.jp>"),
// read with VMime's RFC 5322 parser and checked so that nothing the parser skipped or made up
// goes out: each mailbox must be exactly what the user wrote, a bare address (local@domain)
// alone or a name and "<address>". Groups give their members.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace nmail {

struct Mailbox {
    QString name;        // display name, decoded; empty when none was written
    QByteArray addrSpec;  // local-part@domain, ASCII, as SMTP and the header carry it
};

// The mailboxes of text in order. On text that is not such a list (an item that is no
// address, a name without "<address>", a line break or NUL anywhere) nullopt, and error
// names the item in question.
std::optional<QList<Mailbox>> parseAddressList(QStringView text, QString* error);

// The recipient of a reply to sender, the From text of a received mail as the history keeps it.
// A display name that arrived as an encoded word decodes to text that may hold "," or other
// specials without quotes around it ("Yamada, Taro <t@example.jp>"), which no longer reads as
// one mailbox: such a name is quoted. Anything else comes back as it is, for the user to mend.
QString replyRecipient(const QString& sender);

// Mailboxes as a header carries them after "Name: " (nameLength counts "Name: "): each the
// bare address alone, or the encoded display name and "<address>", joined by ",", folded to keep
// lines within 78 characters.
QByteArray formatAddressList(const QList<Mailbox>& mailboxes, qsizetype nameLength);

}  // namespace nmail
