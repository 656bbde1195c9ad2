#include "mail/MailBytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace nmail {

namespace {
// A mail up to this size stays in memory; a larger one goes to the spool file in pieces of it.
constexpr qsizetype MemoryBytes = 1024 * 1024;

size_t pageSize()
{
    static const size_t size = size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

// Closing a spool file frees its blocks: milliseconds for a mail of tens of megabytes, which
// whoever lets go of the mail last (the session, as it moves on to the deletion) need not wait
// for. The application waits for its worker threads before it ends.
void disposeAside(const MailBytes* bytes)
{
    if (QCoreApplication::instance())
        QThreadPool::globalInstance()->start([bytes] { delete bytes; });
    else
        delete bytes;
}
}  // namespace

MailBytes::MailBytes(QByteArray bytes) : memory_(std::move(bytes)), view_(memory_.constData(), size_t(memory_.size())) {}

MailBytes::~MailBytes()
{
    if (mapping_)
        ::munmap(mapping_, mappedSize_);
}

void MailBytes::release(size_t from, size_t to) const
{
    if (!mapping_)
        return;
    const size_t page = pageSize();
    const size_t start = (from + page - 1) / page * page;
    const size_t end = std::min(to, mappedSize_) / page * page;
    if (end > start)
        ::madvise(static_cast<char*>(mapping_) + start, end - start, MADV_DONTNEED);
}

std::unique_ptr<NewFile> MailBytes::takeDecodedAhead(size_t offset, size_t length, const QString& folder, bool* clean) const
{
    for (DecodedRun& run : decodedAhead_) {
        if (run.start != offset || !run.file)
            continue;
        // The run must hold the body's base64 and nothing more but line breaks and blanks: it
        // went on to the first character base64 has no place for, the body to its boundary.
        const size_t end = std::min(offset + length, view_.size());
        if (end > run.end)
            return nullptr;
        const std::string_view rest = view_.substr(end, run.end - end);
        const bool blank = std::all_of(rest.begin(), rest.end(), [](char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; });
        if (!blank || QDir::cleanPath(run.file->folder()) != QDir::cleanPath(folder))
            return nullptr;
        *clean = run.clean;
        return std::move(run.file);
    }
    return nullptr;
}

std::vector<MailStretch> MailBytes::decodedAheadStretches() const
{
    std::vector<MailStretch> stretches;
    for (const DecodedRun& run : decodedAhead_)
        stretches.push_back({run.start, run.end});
    return stretches;
}

MailBytesCollector::MailBytesCollector(QString spoolFolder) : spoolFolder_(std::move(spoolFolder)) {}

bool MailBytesCollector::spill()
{
    if (!file_) {
        file_ = std::make_unique<NewFile>(spoolFolder_);
        if (!file_->isOpen()) {
            error_ = file_->error();
            return false;
        }
    }
    if (!ahead_)
        ahead_ = std::make_unique<DecodedAhead>(spoolFolder_);
    ahead_->feed(memory_.constData(), size_t(memory_.size()));
    if (!file_->write(memory_.constData(), memory_.size())) {
        error_ = file_->error();
        return false;
    }
    spilled_ += memory_.size();
    memory_.resize(0);  // keeps its room for the next piece
    return true;
}

bool MailBytesCollector::append(const char* data, qsizetype size)
{
    memory_.append(data, size);
    return memory_.size() <= MemoryBytes || spoolFolder_.isEmpty() || spill();
}

std::shared_ptr<const MailBytes> MailBytesCollector::finish()
{
    if (!file_)
        return std::make_shared<const MailBytes>(std::move(memory_));
    if (!spill())
        return nullptr;
    std::shared_ptr<MailBytes> bytes(new MailBytes, disposeAside);
    bytes->mappedSize_ = size_t(spilled_);
    bytes->mapping_ = ::mmap(nullptr, bytes->mappedSize_, PROT_READ, MAP_SHARED, file_->descriptor(), 0);
    if (bytes->mapping_ == MAP_FAILED) {
        bytes->mapping_ = nullptr;
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    bytes->view_ = std::string_view(static_cast<const char*>(bytes->mapping_), bytes->mappedSize_);
    bytes->file_ = std::move(file_);
    bytes->decodedAhead_ = ahead_->finish();
    return bytes;
}

}  // namespace nmail
