// Reading the bytes of a parsed mail's leaves a piece at a time: base64 through the one-pass
// decoder, other transfer encodings through VMime's decoders over a stream of the raw mail, and
// what needs no decoding as it stands. The raw mail's pages are released behind the reader.

#include "mail/Base64.h"
#include "mail/ParsedMail.h"

#include <vmime/vmime.hpp>

#include <cstring>

namespace nmail {

namespace {

// How much of the raw mail is read, and handed on decoded, at a time.
constexpr size_t Piece = 1024 * 1024;

bool needsNoDecoding(const QByteArray& encoding)
{
    return encoding.isEmpty() || encoding == "7bit" || encoding == "8bit" || encoding == "binary";
}

// A stretch of the raw mail as VMime's decoders read it, released behind them.
class StretchInput : public vmime::utility::inputStream {
public:
    StretchInput(const MailBytes& bytes, size_t offset, size_t length)
        : bytes_(bytes), data_(bytes.view().substr(offset, length)), offset_(offset)
    {
    }
    bool eof() const override { return position_ >= data_.size(); }
    void reset() override { position_ = 0; }
    size_t read(vmime::byte_t* const out, const size_t count) override
    {
        const size_t n = std::min(count, data_.size() - position_);
        std::memcpy(out, data_.data() + position_, n);
        position_ += n;
        if (position_ - releasedTo_ >= Piece) {
            bytes_.release(offset_ + releasedTo_, offset_ + position_);
            releasedTo_ = position_;
        }
        return n;
    }
    size_t skip(const size_t count) override
    {
        const size_t n = std::min(count, data_.size() - position_);
        position_ += n;
        return n;
    }

private:
    const MailBytes& bytes_;
    std::string_view data_;
    size_t offset_;
    size_t position_ = 0;
    size_t releasedTo_ = 0;
};

// VMime's decoded output handed to a sink, until the sink takes no more.
class SinkOutput : public vmime::utility::outputStream {
public:
    explicit SinkOutput(const ParsedMail::ContentSink& sink) : sink_(sink) {}
    void flush() override {}
    bool stopped() const { return stopped_; }

protected:
    void writeImpl(const vmime::byte_t* const data, const size_t count) override
    {
        if (!stopped_ && count > 0)
            stopped_ = !sink_(reinterpret_cast<const char*>(data), qsizetype(count));
    }

private:
    const ParsedMail::ContentSink& sink_;
    bool stopped_ = false;
};

}  // namespace

ContentRead ParsedMail::writeContent(const MailLeaf& leaf, const ContentSink& sink) const
{
    ContentRead read;
    const size_t offset = size_t(leaf.offset);
    const std::string_view stretch = raw_.substr(offset, size_t(leaf.length));
    QByteArray encoding;
    if (leaf.source == MailLeaf::Source::Decoded)
        encoding = rawField(*leaf.part->getHeader(), vmime::fields::CONTENT_TRANSFER_ENCODING).toLower();
    if (leaf.source == MailLeaf::Source::Base64Stretch) {
        Base64Decoder decoder;
        std::vector<char> out(Base64Decoder::roomFor(Piece));
        for (size_t at = 0; at < stretch.size() && !read.stopped; at += Piece) {
            const size_t n = decoder.decode(stretch.substr(at, Piece), out.data());
            read.stopped = !sink(out.data(), qsizetype(n));
            bytes_->release(offset + at, offset + at + Piece);
        }
        read.unclean = !read.stopped && !decoder.clean();
    } else if (leaf.source != MailLeaf::Source::Decoded || needsNoDecoding(encoding)) {
        for (size_t at = 0; at < stretch.size() && !read.stopped; at += Piece) {
            const std::string_view piece = stretch.substr(at, Piece);
            read.stopped = !sink(piece.data(), qsizetype(piece.size()));
            bytes_->release(offset + at, offset + at + Piece);
        }
    } else {
        SinkOutput out(sink);
        try {
            // Here the field names one of the encodings known to need decoding, as it stands.
            const vmime::encoding decoding(encoding.toStdString());
            const vmime::streamContentHandler contents(std::make_shared<StretchInput>(*bytes_, offset, stretch.size()),
                                                       stretch.size(), decoding);
            contents.extract(out);
        } catch (const std::exception&) {
            // a broken encoding gives what could be decoded
        }
        read.stopped = out.stopped();
    }
    bytes_->release(offset, offset + stretch.size());
    return read;
}

QByteArray ParsedMail::content(const MailLeaf& leaf, qsizetype limit, ContentRead* read) const
{
    QByteArray bytes;
    bool cut = false;
    ContentRead result = writeContent(leaf, [&](const char* data, qsizetype size) {
        const qsizetype room = limit - bytes.size();
        bytes.append(data, std::min(size, room));
        cut = size > room;
        return !cut;
    });
    result.cut = cut;
    result.stopped = false;  // stopping was ours
    if (read)
        *read = result;
    return bytes;
}

}  // namespace nmail
