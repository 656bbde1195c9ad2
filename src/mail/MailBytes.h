#pragma once
// The bytes of one received mail, however large. A mail is collected as it arrives: in memory
// while it is small, in an unnamed file of the spool folder once it grows past that (the
// attachment folder, so that the same file can become the kept copy of the mail without being
// written twice). It is then read through a read-only mapping, and whoever has passed over a
// stretch of it may release the stretch's pages: a mail of any size costs a bounded amount of
// memory, never a copy of itself.

#include "mail/DecodedAhead.h"
#include "mail/MimeParts.h"
#include "platform/NewFile.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>

namespace nmail {

class MailBytes {
public:
    // Bytes already in memory (a mail handed over whole, a test's mail).
    explicit MailBytes(QByteArray bytes);
    ~MailBytes();
    MailBytes(const MailBytes&) = delete;
    MailBytes& operator=(const MailBytes&) = delete;

    std::string_view view() const { return view_; }
    size_t size() const { return view_.size(); }

    // Drops from memory the pages of the stretch [from, to) (whole pages inside it): the next
    // look at them reads them again from the file. Nothing happens for bytes held in memory.
    void release(size_t from, size_t to) const;
    // As release() for everything.
    void releaseAll() const { release(0, size()); }

    // The file the bytes are in, when they spilled into one: unnamed until it is given a name.
    NewFile* file() const { return file_.get(); }

    // The base64 body at [offset, offset + length) decoded while the mail arrived, as an unnamed
    // file of folder, with whether it was clean base64; null when it was not decoded so (a small
    // mail, a body that did not look like one, another folder). Each is handed out once.
    std::unique_ptr<NewFile> takeDecodedAhead(size_t offset, size_t length, const QString& folder, bool* clean) const;
    // Where those bodies lie, in order: stretches of base64 and blanks only.
    std::vector<MailStretch> decodedAheadStretches() const;

private:
    friend class MailBytesCollector;
    MailBytes() = default;

    QByteArray memory_;
    std::unique_ptr<NewFile> file_;
    void* mapping_ = nullptr;
    size_t mappedSize_ = 0;
    std::string_view view_;
    mutable std::vector<DecodedRun> decodedAhead_;
};

// Collects a mail as it arrives. Once it proves large (it spills into the spool file), its base64
// bodies are decoded as they arrive (DecodedAhead).
class MailBytesCollector {
public:
    // spoolFolder empty: everything stays in memory.
    explicit MailBytesCollector(QString spoolFolder);

    // False when the bytes could not be kept (the spool file cannot be written); error() says why.
    bool append(const char* data, qsizetype size);
    // The mail collected; null with error() set when the spool file cannot be read back.
    std::shared_ptr<const MailBytes> finish();
    const QString& error() const { return error_; }

private:
    bool spill();

    QString spoolFolder_;
    QByteArray memory_;
    std::unique_ptr<NewFile> file_;
    std::unique_ptr<DecodedAhead> ahead_;
    qint64 spilled_ = 0;
    QString error_;
};

}  // namespace nmail
