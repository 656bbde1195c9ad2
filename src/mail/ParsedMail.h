#pragma once
// A received mail parsed once into what a reader of it needs: its header fields decoded to
// Unicode, and its MIME tree flattened into the parts a person reads and the parts that are
// attachments.

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace vmime {
class bodyPart;
class header;
class message;
}  // namespace vmime

namespace nmail {

struct MailLeaf {
    enum class Role { Text, Html, Attachment };
    std::shared_ptr<const vmime::bodyPart> part;
    Role role;
};

class ParsedMail {
public:
    // Parses raw (the message as the server sent it). Never throws: broken structure leaves
    // fewer parts, never an exception.
    explicit ParsedMail(QByteArray raw);
    ~ParsedMail();

    // The header block exactly as received, without the blank line that ends it.
    QByteArray rawHeader() const;

    // The value of the named top-level header field, unfolded, RFC 2047 words decoded.
    QString field(const char* name) const;

    // Parts in reading order.
    const std::vector<MailLeaf>& leaves() const { return leaves_; }

    // Set for a message/partial mail: one fragment of a mail split over several messages.
    bool isFragment() const { return fragment_; }

    // Raw value of a header field of a part, unfolded; empty if absent.
    QByteArray rawField(const vmime::header& header, const char* name) const;

    // The decoded body bytes of a part (transfer encoding removed, charset untouched).
    static QByteArray content(const vmime::bodyPart& part);

private:
    void collect(const std::shared_ptr<const vmime::bodyPart>& part);

    std::string raw_;
    std::shared_ptr<vmime::message> message_;
    std::vector<MailLeaf> leaves_;
    bool fragment_ = false;
};

// Words of RFC 2047 text decoded to Unicode, each encoded word on its own. A word that does not
// decode alone is joined with the words after it in the same charset until they do, so a
// character a sender split between two words survives.
QString decodeHeaderText(const QByteArray& value);

}  // namespace nmail
