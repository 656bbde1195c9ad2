#include "mail/DecodedAhead.h"

#include <algorithm>
#include <cstring>

namespace nmail {

namespace {
// Decoded bytes gather up to this much before they go to the run's file. A run that ends before
// it filled one piece gets no file: so small an attachment is decoded in no time afterwards.
constexpr size_t Piece = 1024 * 1024;
const QByteArray EncodingField = QByteArrayLiteral("content-transfer-encoding:");
// Enough of a line to tell the header field and its value by.
constexpr qsizetype LineRoom = 80;
// A run's file is handed to the disk this much at a time while the mail still arrives, so that
// naming it as an attachment, and the check's flush, find little left to write.
constexpr qint64 WriteBackBytes = 8 * Piece;
// Each run keeps a file open until the mail is written out: a mail of a thousand large parts
// must not take the descriptors the program needs. Parts beyond these are decoded afterwards.
constexpr size_t MaxRuns = 16;
}  // namespace

DecodedAhead::DecodedAhead(QString folder) : folder_(std::move(folder)) {}

void DecodedAhead::feed(const char* data, size_t size)
{
    while (size > 0) {
        const size_t before = offset_;
        if (runStarted_)
            decode(data, size);
        else
            watchHeaders(data, size);
        const size_t used = offset_ - before;
        data += used;
        size -= used;
    }
}

void DecodedAhead::watchHeaders(const char* data, size_t size)
{
    for (size_t at = 0; at < size;) {
        const char* end = static_cast<const char*>(std::memchr(data + at, '\n', size - at));
        const size_t lineEnd = end ? size_t(end - data) : size;
        line_.append(data + at, std::min<qsizetype>(qsizetype(lineEnd - at), std::max<qsizetype>(0, LineRoom - line_.size())));
        if (!end) {
            offset_ += size - at;
            return;
        }
        offset_ += lineEnd + 1 - at;
        at = lineEnd + 1;
        lineEnded();
        if (runStarted_)
            return;
    }
}

void DecodedAhead::lineEnded()
{
    // Looked at where it lies; the buffer keeps its room for the next line.
    QByteArrayView line(line_);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        // The blank line that ends a header: a base64 body follows if the header said so.
        if (base64Header_ && runs_.size() < MaxRuns) {
            runStarted_ = true;
            run_.start = offset_;
        }
        base64Header_ = false;
    } else if (line.startsWith("--")) {
        base64Header_ = false;  // a boundary: the header of another part follows
    } else if (line.size() > EncodingField.size() && line.first(EncodingField.size()).compare(EncodingField, Qt::CaseInsensitive) == 0) {
        base64Header_ = line.sliced(EncodingField.size()).trimmed().compare("base64", Qt::CaseInsensitive) == 0;
    }
    line_.resize(0);
}

void DecodedAhead::decode(const char* data, size_t size)
{
    if (out_.empty())
        out_.resize(Piece + Base64Decoder::roomFor(Piece));
    const size_t piece = std::min(size, Piece);
    size_t used = 0;
    held_ += decoder_.decodeUntilForeign(std::string_view(data, piece), out_.data() + held_, &used);
    offset_ += used;
    if (held_ >= Piece)
        flush();
    if (used < piece)
        endRun(offset_);
}

bool DecodedAhead::flush()
{
    if (!failed_ && !run_.file) {
        run_.file = std::make_unique<NewFile>(folder_);
        failed_ = !run_.file->isOpen();
    }
    // A file that cannot be written is no loss: the leaf is decoded again when it is written out,
    // and that write says what is wrong.
    failed_ = failed_ || !run_.file->write(out_.data(), qint64(held_));
    held_ = 0;
    if (!failed_)
        run_.file->startWriteBack(WriteBackBytes);
    return !failed_;
}

void DecodedAhead::endRun(size_t end)
{
    if (run_.file && flush()) {
        run_.end = end;
        run_.clean = decoder_.clean();
        runs_.push_back(std::move(run_));
    }
    runStarted_ = false;
    run_ = {};
    decoder_ = {};
    held_ = 0;
    failed_ = false;
}

std::vector<DecodedRun> DecodedAhead::finish()
{
    if (runStarted_)
        endRun(offset_);
    return std::move(runs_);
}

}  // namespace nmail
