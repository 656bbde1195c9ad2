#pragma once
// A received mail parsed once into what a reader of it needs: its header fields decoded to
// Unicode, and its MIME tree flattened into the parts a person reads and the parts that are
// attachments, together with what could not be read whole.

#include <QByteArray>
#include <QString>

#include "mail/HeaderFields.h"
#include "mail/MailBytes.h"
#include "mail/MimeParts.h"

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vmime {
class bodyPart;
class header;
class message;
}  // namespace vmime

namespace nmail {

struct MailLeaf {
    enum class Role { Text, Html, Attachment };
    // Where the leaf's bytes come from: its body with the transfer encoding removed; its base64
    // body, decoded as it is read; its body as it came (a transfer encoding this library does not
    // know, RFC 2045 6.4); or a stretch of the raw mail taken as text (the body of a multipart
    // whose parts cannot be found, or of a mail whose structure could not be parsed).
    enum class Source { Decoded, Base64Stretch, AsReceived, RawStretch };

    std::shared_ptr<const vmime::bodyPart> part;
    Role role;
    QByteArray mediaType;  // "type/subtype" in lower case, as the leaf is read
    Source source = Source::Decoded;
    qsizetype offset = 0;  // where the body (or the stretch) lies in the raw mail
    qsizetype length = 0;
};

// What reading a leaf's bytes found.
struct ContentRead {
    bool cut = false;      // there was more than the reader wanted: only the start was read
    bool unclean = false;  // transfer-encoded data that lost bits in decoding
    bool stopped = false;  // the sink took no more
};

class ParsedMail {
public:
    // Parses the message as the server sent it. Never throws: broken structure leaves fewer parts
    // and a loss, never an exception. Only header fields are copied out of the bytes: a mail of
    // any size is read where it lies, and the pages passed over are released as the parse goes.
    explicit ParsedMail(std::shared_ptr<const MailBytes> bytes);
    explicit ParsedMail(QByteArray raw);
    ~ParsedMail();
    // The fields found point into the header copies it holds.
    ParsedMail(const ParsedMail&) = delete;
    ParsedMail& operator=(const ParsedMail&) = delete;

    // The header block exactly as received, without the blank line that ends it.
    QByteArray rawHeader() const;

    // The value of the named top-level header field, unfolded, RFC 2047 words decoded.
    QString field(const char* name) const;

    // Parts in reading order.
    const std::vector<MailLeaf>& leaves() const { return leaves_; }

    // Set for a message/partial mail: one fragment of a mail split over several messages.
    bool isFragment() const { return fragment_; }

    // MailLoss bits found in the structure: a fragment, parts in unknown transfer encodings,
    // structure or transfer-encoded data that could not be read.
    int losses() const { return losses_; }

    // Raw value of a header field of a part, unfolded; empty if absent.
    QByteArray rawField(const vmime::header& header, const char* name) const;

    // The bytes of a leaf as its source says (charset untouched), at most limit of them.
    QByteArray content(const MailLeaf& leaf, qsizetype limit = std::numeric_limits<qsizetype>::max(),
                       ContentRead* read = nullptr) const;
    // The same handed to sink a piece at a time, however large the leaf; the pages of the raw
    // mail it came from are released behind. sink returns false to take no more.
    using ContentSink = std::function<bool(const char* data, qsizetype size)>;
    ContentRead writeContent(const MailLeaf& leaf, const ContentSink& sink) const;
    // The leaf's bytes, when they were decoded while the mail arrived, as a finished unnamed file
    // of folder (MailBytes::takeDecodedAhead); null otherwise.
    std::unique_ptr<NewFile> takeDecodedAhead(const MailLeaf& leaf, const QString& folder, bool* clean) const
    {
        return leaf.source == MailLeaf::Source::Base64Stretch
                   ? bytes_->takeDecodedAhead(size_t(leaf.offset), size_t(leaf.length), folder, clean)
                   : nullptr;
    }

    const MailBytes& bytes() const { return *bytes_; }

    // The value of a parameter of a part's header field, as VMime decoded it; empty if absent.
    QByteArray parameter(const vmime::bodyPart& part, const char* field, const char* name) const;

private:
    MailStretch parseHeader(vmime::bodyPart& part, MailStretch stretch, bool wholeMail);
    void collect(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body, bool inDigest);
    void collectMultipart(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body,
                          const QByteArray& subtype);
    void addLeaf(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body, const QByteArray& type);
    void addRawStretch(const std::shared_ptr<const vmime::bodyPart>& part, qsizetype offset, qsizetype length);
    QByteArray mediaTypeOf(const vmime::bodyPart& part, bool inDigest) const;
    bool delimiterOccurs(MailStretch body, const QByteArray& boundary) const;

    // The copy of a part's header, and its fields found in it.
    struct PartHeader {
        std::string text;
        HeaderFields fields;
    };
    const PartHeader* partHeader(const vmime::header& header) const;
    void released(size_t upTo) const;

    std::shared_ptr<const MailBytes> bytes_;
    std::string_view raw_;
    std::unordered_map<const vmime::header*, PartHeader> headers_;
    std::shared_ptr<vmime::message> message_;
    std::vector<MailLeaf> leaves_;
    bool fragment_ = false;
    int losses_ = 0;
};

// Words of RFC 2047 text decoded to Unicode, each encoded word on its own. A word that does not
// decode alone is joined with the words after it in the same charset until they do, so a
// character a sender split between two words survives.
QString decodeHeaderText(const QByteArray& value);

}  // namespace nmail
