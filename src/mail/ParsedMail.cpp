#include "mail/ParsedMail.h"

#include "mail/Charsets.h"

#include <QStringDecoder>

#include <vmime/vmime.hpp>

namespace nmail {

namespace {

bool isMultipart(const vmime::mediaType& type, const char* sub = nullptr)
{
    return type.getType() == "multipart" && (!sub || type.getSubType() == sub);
}

vmime::mediaType typeOf(const vmime::bodyPart& part)
{
    try {
        auto field = part.getHeader()->findField(vmime::fields::CONTENT_TYPE);
        if (auto type = field ? field->getValue<vmime::mediaType>() : nullptr)
            return *type;
    } catch (const std::exception&) {
    }
    return vmime::mediaType("text", "plain");
}

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

// One version is enough for a reader: the plain one when there is one, else the richest (last).
std::shared_ptr<const vmime::bodyPart> preferredAlternative(const vmime::body& body)
{
    for (size_t i = 0; i < body.getPartCount(); ++i) {
        if (typeOf(*body.getPartAt(i)) == vmime::mediaType("text", "plain"))
            return body.getPartAt(i);
    }
    return body.getPartAt(body.getPartCount() - 1);
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

ParsedMail::ParsedMail(QByteArray raw) : raw_(raw.toStdString()), message_(std::make_shared<vmime::message>())
{
    try {
        message_->parse(raw_);
    } catch (const std::exception&) {
        // VMime throws standard exceptions too on some broken words: treat the mail as having
        // no usable structure.
        message_ = std::make_shared<vmime::message>();
        return;
    }
    const vmime::mediaType type = typeOf(*message_);
    if (type.getType() == "message" && type.getSubType() == "partial") {
        fragment_ = true;
        leaves_.push_back({message_, MailLeaf::Role::Attachment});
        return;
    }
    collect(message_);
}

ParsedMail::~ParsedMail() = default;

void ParsedMail::collect(const std::shared_ptr<const vmime::bodyPart>& part)
{
    const vmime::mediaType type = typeOf(*part);
    const auto body = part->getBody();
    if (isMultipart(type) && body->getPartCount() == 0) {
        // A multipart without findable parts (a missing boundary): its body is all there is.
        leaves_.push_back({part, MailLeaf::Role::Text});
        return;
    }
    if (isMultipart(type, "alternative")) {
        collect(preferredAlternative(*body));
        return;
    }
    if (isMultipart(type)) {
        for (size_t i = 0; i < body->getPartCount(); ++i)
            collect(body->getPartAt(i));
        return;
    }
    const bool textual = type.getType() == "text" && (type.getSubType() == "plain" || type.getSubType() == "html");
    const bool attached = dispositionOf(*part) == "attachment" || hasFileName(*part);
    if (textual && !attached)
        leaves_.push_back({part, type.getSubType() == "html" ? MailLeaf::Role::Html : MailLeaf::Role::Text});
    else
        leaves_.push_back({part, MailLeaf::Role::Attachment});
}

QByteArray ParsedMail::rawHeader() const
{
    const auto header = message_->getHeader();
    const size_t offset = header->getParsedOffset();
    size_t length = header->getParsedLength();
    if (offset > raw_.size())
        return {};
    length = std::min(length, raw_.size() - offset);
    QByteArray block = QByteArray::fromRawData(raw_.data() + offset, static_cast<qsizetype>(length));
    while (block.endsWith('\n') || block.endsWith('\r'))
        block.chop(1);
    return QByteArray(block.constData(), block.size());
}

QByteArray ParsedMail::rawField(const vmime::header& header, const char* name) const
{
    const auto field = header.findField(name);
    if (!field)
        return {};
    // The field's own bounds cover "Name: value" with every parameter, as received.
    const size_t offset = field->getParsedOffset();
    const size_t length = field->getParsedLength();
    if (offset >= raw_.size() || length == 0)
        return {};
    const std::string_view text = std::string_view(raw_).substr(offset, length);
    const size_t colon = text.find(':');
    return colon == std::string_view::npos ? QByteArray() : unfold(text.substr(colon + 1));
}

QString ParsedMail::field(const char* name) const
{
    return decodeHeaderText(rawField(*message_->getHeader(), name));
}

QByteArray ParsedMail::content(const vmime::bodyPart& part)
{
    std::string bytes;
    try {
        vmime::utility::outputStreamStringAdapter out(bytes);
        part.getBody()->getContents()->extract(out);
    } catch (const std::exception&) {
        // a broken encoding gives what could be decoded
    }
    return QByteArray::fromStdString(bytes);
}

}  // namespace nmail
