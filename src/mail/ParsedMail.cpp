#include "mail/ParsedMail.h"

#include "mail/Charsets.h"
#include "mail/MailLoss.h"
#include "mail/MimeParts.h"

#include <QByteArrayList>

#include <QStringDecoder>

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

// The most of a part's header that is parsed, and the longest line of it: a mail with more is
// kept as it came (a header of a gigabyte has been seen, and lines of megabytes).
constexpr size_t MaxHeaderBytes = 1024 * 1024;
constexpr size_t MaxHeaderLineBytes = 64 * 1024;

std::string dispositionOf(const vmime::bodyPart& part)
{
    try {
        auto field = part.getHeader()->findField(vmime::fields::CONTENT_DISPOSITION);
        if (auto disposition = field ? field->getValue<vmime::contentDisposition>() : nullptr)
            return vmime::utility::stringUtils::toLower(disposition->getName());
    } catch (const std::exception&) {
    }
    return {};
}

bool hasFileName(const vmime::bodyPart& part)
{
    const auto header = part.getHeader();
    for (const char* name : {vmime::fields::CONTENT_DISPOSITION, vmime::fields::CONTENT_TYPE}) {
        auto field = std::dynamic_pointer_cast<vmime::parameterizedHeaderField>(header->findField(name));
        if (field && (field->hasParameter("filename") || field->hasParameter("name")))
            return true;
    }
    return false;
}

bool isKnownEncoding(const QByteArray& name)
{
    static const QByteArrayList known = {"", "7bit", "8bit", "binary", "base64", "quoted-printable",
                                         "uuencode", "x-uuencode"};
    return known.contains(name);
}

QByteArray unfold(std::string_view value)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(value.size()));
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n')
            continue;  // folding: the whitespace after the line break stays
        out.append(c);
    }
    return out.trimmed();
}

// True when bytes are whole, valid text in charset on their own (an unknown charset counts as
// whole: nothing is gained by joining its words).
bool decodesAlone(const QByteArray& bytes, const QByteArray& charset)
{
    if (charset.isEmpty() || charset == "us-ascii")
        return true;
    QStringDecoder decoder(charset.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return true;
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

}  // namespace

QString decodeHeaderText(const QByteArray& value)
{
    // Printable ASCII without an encoded word is its own text, as VMime would give it back:
    // most dates and addresses, and many subjects.
    const bool printable = std::all_of(value.begin(), value.end(), [](char c) { return c >= ' ' && c <= '~'; });
    if (printable && !value.contains("=?") && !value.startsWith(' '))
        return QString::fromLatin1(value);
    std::shared_ptr<vmime::text> words;
    try {
        words = vmime::text::decodeAndUnfold(value.toStdString());
    } catch (const std::exception&) {
        return charsets::decode(value, {});  // undecodable words are shown as they are
    }
    QString out;
    QByteArray pending;  // a word that did not decode alone, and the words joined to it
    QByteArray pendingCharset;
    auto take = [&](const QByteArray& bytes, const QByteArray& charset) {
        const bool plain = charset.isEmpty() || charset == "us-ascii";
        out += charsets::decode(bytes, plain ? QByteArray() : charset);
    };
    for (size_t i = 0; i < words->getWordCount(); ++i) {
        const auto word = words->getWordAt(i);
        const QByteArray charset = QByteArray::fromStdString(
            vmime::utility::stringUtils::toLower(word->getCharset().getName()));
        const QByteArray bytes = QByteArray::fromStdString(word->getBuffer());
        if (!pending.isEmpty() && charset == pendingCharset) {
            pending += bytes;
            if (decodesAlone(pending, charset)) {
                take(pending, charset);
                pending.clear();
            }
            continue;
        }
        if (!pending.isEmpty())
            take(pending, pendingCharset);
        pending.clear();
        if (decodesAlone(bytes, charset)) {
            take(bytes, charset);
        } else {
            pending = bytes;
            pendingCharset = charset;
        }
    }
    if (!pending.isEmpty())
        take(pending, pendingCharset);
    return out;
}

ParsedMail::ParsedMail(QByteArray raw) : ParsedMail(std::make_shared<const MailBytes>(std::move(raw))) {}

ParsedMail::ParsedMail(std::shared_ptr<const MailBytes> bytes)
    : bytes_(std::move(bytes)), raw_(bytes_->view()), message_(std::make_shared<vmime::message>())
{
    try {
        collect(message_, parseHeader(*message_, {0, raw_.size()}, true), false);
    } catch (const std::exception&) {
        // VMime throws standard exceptions too on some broken words: with no usable structure,
        // the text after the header is all a reader gets, and the raw mail must be kept.
        message_ = std::make_shared<vmime::message>();
        headers_.clear();
        leaves_.clear();
        losses_ |= MailLoss::Undecodable;
        const size_t start = headerExtent(raw_, {0, raw_.size()}, true).bodyStart;
        addRawStretch(message_, qsizetype(start), qsizetype(raw_.size() - start));
    }
    bytes_->releaseAll();
}

void ParsedMail::released(size_t upTo) const { bytes_->release(0, upTo); }

// Parses the header at the start of stretch into part and returns where its body lies. The
// header is copied out of a mail that may be of any size, and its fields are found in the copy.
// VMime parses only the fields whose parameters it reads for us, Content-Type and
// Content-Disposition: typed values of the others (addresses, dates) would be built for every
// mail and never read. Lines
// past MaxHeaderBytes, and lines longer than MaxHeaderLineBytes, are left out of the copy, and
// the mail counts as undecodable.
MailStretch ParsedMail::parseHeader(vmime::bodyPart& part, MailStretch stretch, bool wholeMail)
{
    const auto passed = [this](size_t upTo) { released(upTo); };
    const HeaderExtent extent = headerExtent(raw_, stretch, wholeMail, passed);
    PartHeader& header = headers_[part.getHeader().get()];
    std::string& text = header.text;
    text.clear();
    for (size_t pos = stretch.start; pos < extent.headerEnd;) {
        const size_t lineFeed = nextLineFeed(raw_, pos, extent.headerEnd, passed);
        const size_t next = lineFeed < extent.headerEnd ? lineFeed + 1 : extent.headerEnd;
        if (next - pos <= MaxHeaderLineBytes && text.size() + (next - pos) <= MaxHeaderBytes)
            text.append(raw_.substr(pos, next - pos));
        else
            losses_ |= MailLoss::Undecodable;
        pos = next;
    }
    header.fields = HeaderFields(text);
    const std::string parsed = header.fields.only({vmime::fields::CONTENT_TYPE, vmime::fields::CONTENT_DISPOSITION});
    if (!parsed.empty())
        part.getHeader()->parse(vmime::parsingContext::getDefaultContext(), parsed, 0, parsed.size());
    return {extent.bodyStart, stretch.end};
}

ParsedMail::~ParsedMail() = default;

// A part without a Content-Type has the default of its place: message/rfc822 inside a digest,
// text/plain elsewhere (RFC 2046 5.1.5); a Content-Type that is not "type/subtype" means
// text/plain as well (RFC 2045 5.2).
QByteArray ParsedMail::mediaTypeOf(const vmime::bodyPart& part, bool inDigest) const
{
    const QByteArray value = rawField(*part.getHeader(), vmime::fields::CONTENT_TYPE);
    if (value.isEmpty())
        return inDigest ? "message/rfc822" : "text/plain";
    const qsizetype semicolon = value.indexOf(';');
    const QByteArray type = (semicolon < 0 ? value : value.left(semicolon)).toLower();
    const qsizetype slash = type.indexOf('/');
    const QByteArray main = type.left(std::max<qsizetype>(slash, 0)).trimmed();
    const QByteArray sub = type.mid(slash + 1).trimmed();
    auto isToken = [](const QByteArray& word) {
        return !word.isEmpty() && std::none_of(word.begin(), word.end(), [](char c) {
            return static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127
                   || QByteArrayView("()<>@,;:\\\"/[]?=").contains(c);
        });
    };
    if (slash < 0 || !isToken(main) || !isToken(sub))
        return "text/plain";
    return main + '/' + sub;
}

QByteArray ParsedMail::parameter(const vmime::bodyPart& part, const char* field, const char* name) const
{
    try {
        auto found = std::dynamic_pointer_cast<vmime::parameterizedHeaderField>(part.getHeader()->findField(field));
        auto value = found ? found->findParameter(name) : nullptr;
        return value ? QByteArray::fromStdString(value->getValue().getBuffer()) : QByteArray();
    } catch (const std::exception&) {
        return {};
    }
}

bool ParsedMail::delimiterOccurs(MailStretch body, const QByteArray& boundary) const
{
    const std::string_view text = raw_.substr(body.start, body.end - body.start);
    const std::string delimiter = "--" + boundary.toStdString();
    for (size_t at = text.find(delimiter); at != std::string_view::npos; at = text.find(delimiter, at + 1)) {
        if (at == 0 || text[at - 1] == '\n')
            return true;
    }
    return false;
}

void ParsedMail::collect(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body, bool inDigest)
{
    const QByteArray type = mediaTypeOf(*part, inDigest);
    if (type == "message/partial") {
        fragment_ = true;
        losses_ |= MailLoss::Fragment;
    }
    if (type.startsWith("multipart/"))
        collectMultipart(part, body, type.mid(10));
    else
        addLeaf(part, body, type);
}

void ParsedMail::collectMultipart(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body,
                                  const QByteArray& subtype)
{
    const QByteArray boundary = parameter(*part, vmime::fields::CONTENT_TYPE, "boundary");
    const std::vector<MailStretch> stretches =
        multipartParts(raw_, body, boundary.toStdString(), bytes_->decodedAheadStretches(),
                       [this](size_t upTo) { released(upTo); });
    if (stretches.empty()) {
        // Without a boundary that occurs, a multipart is not split into parts: its body is text.
        // With one, there are parts that could not be found.
        if (!boundary.isEmpty() && delimiterOccurs(body, boundary))
            losses_ |= MailLoss::Undecodable;
        addRawStretch(part, qsizetype(body.start), qsizetype(body.end - body.start));
        return;
    }
    struct Child {
        std::shared_ptr<vmime::bodyPart> part;
        MailStretch body;
    };
    std::vector<Child> children;
    for (const MailStretch& stretch : stretches) {
        auto child = std::make_shared<vmime::bodyPart>();
        children.push_back({child, parseHeader(*child, stretch, false)});
    }
    if (subtype == "alternative") {
        // One version is enough for a reader: the plain one when there is one, else the
        // richest (last).
        const auto plain = std::find_if(children.begin(), children.end(), [this](const Child& child) {
            return mediaTypeOf(*child.part, false) == "text/plain";
        });
        const Child& chosen = plain != children.end() ? *plain : children.back();
        return collect(chosen.part, chosen.body, false);
    }
    for (const Child& child : children)
        collect(child.part, child.body, subtype == "digest");
}

void ParsedMail::addLeaf(const std::shared_ptr<const vmime::bodyPart>& part, MailStretch body, const QByteArray& type)
{
    MailLeaf leaf{part, MailLeaf::Role::Attachment, type};
    leaf.offset = qsizetype(body.start);
    leaf.length = qsizetype(body.end - body.start);
    const QByteArray encoding = rawField(*part->getHeader(), vmime::fields::CONTENT_TRANSFER_ENCODING).toLower();
    if (!isKnownEncoding(encoding)) {
        // RFC 2045 6.4: treated as application/octet-stream, whatever its type says.
        leaf.source = MailLeaf::Source::AsReceived;
        losses_ |= MailLoss::UnknownEncoding;
        leaves_.push_back(leaf);
        return;
    }
    // Decoded only as it is read: whether it is clean shows then (ContentRead).
    if (encoding == "base64")
        leaf.source = MailLeaf::Source::Base64Stretch;
    const bool attached = dispositionOf(*part) == "attachment" || hasFileName(*part);
    if (type.startsWith("text/") && !attached)
        leaf.role = type == "text/html" ? MailLeaf::Role::Html : MailLeaf::Role::Text;
    leaves_.push_back(leaf);
}

void ParsedMail::addRawStretch(const std::shared_ptr<const vmime::bodyPart>& part, qsizetype offset, qsizetype length)
{
    MailLeaf leaf{part, MailLeaf::Role::Text, "text/plain", MailLeaf::Source::RawStretch};
    leaf.offset = std::clamp<qsizetype>(offset, 0, qsizetype(raw_.size()));
    leaf.length = std::clamp<qsizetype>(length, 0, qsizetype(raw_.size()) - leaf.offset);
    leaves_.push_back(leaf);
}

QByteArray ParsedMail::rawHeader() const
{
    const PartHeader* header = partHeader(*message_->getHeader());
    if (!header)
        return {};
    std::string_view block = header->text;
    while (block.ends_with('\n') || block.ends_with('\r'))
        block.remove_suffix(1);
    return QByteArray(block.data(), qsizetype(block.size()));
}

const ParsedMail::PartHeader* ParsedMail::partHeader(const vmime::header& header) const
{
    const auto it = headers_.find(&header);
    return it == headers_.end() ? nullptr : &it->second;
}

QByteArray ParsedMail::rawField(const vmime::header& header, const char* name) const
{
    const PartHeader* found = partHeader(header);
    return found ? unfold(found->fields.value(name)) : QByteArray();
}

QString ParsedMail::field(const char* name) const
{
    return decodeHeaderText(rawField(*message_->getHeader(), name));
}

}  // namespace nmail
