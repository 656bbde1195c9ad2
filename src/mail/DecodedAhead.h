#pragma once
// Base64 bodies of a large mail decoded while the mail is still arriving, so that writing an
// attachment after the mail has arrived is only giving a finished file its name. The time a
// large mail takes is the server's sending; the decoding hides inside it.
//
// The arriving bytes are not parsed as MIME: lines are only watched for a
// "Content-Transfer-Encoding: base64" header line and the blank line after it, and from there
// the body is decoded into an unnamed file until the first character base64 has no place for.
// Such a run is only a guess. It is used for a leaf of the parsed mail that begins where the run
// began and ends where it ended (but for line breaks); every other leaf is decoded as before,
// and runs nobody takes are dropped with the mail.

#include "platform/NewFile.h"

#include "mail/Base64.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace nmail {

struct DecodedRun {
    size_t start = 0;  // the first byte of the body in the mail
    size_t end = 0;    // where it stopped: the first character base64 has no place for, or the mail's end
    std::unique_ptr<NewFile> file;
    bool clean = true;  // Base64Decoder::clean() of the run
};

class DecodedAhead {
public:
    // Runs are decoded into unnamed files of folder.
    explicit DecodedAhead(QString folder);

    // The mail's next bytes, in order from its first.
    void feed(const char* data, size_t size);
    // The mail ends here: the runs decoded, each in a file of its own.
    std::vector<DecodedRun> finish();

private:
    void watchHeaders(const char* data, size_t size);
    void lineEnded();
    void decode(const char* data, size_t size);
    void endRun(size_t end);
    bool flush();

    QString folder_;
    size_t offset_ = 0;  // of the next byte fed
    // Watching the lines outside a run.
    QByteArray line_;  // the start of the line being read, enough to know a header by
    bool base64Header_ = false;
    // The run being decoded, when runStarted_.
    bool runStarted_ = false;
    DecodedRun run_;
    Base64Decoder decoder_;
    std::vector<char> out_;
    size_t held_ = 0;  // decoded bytes in out_
    bool failed_ = false;
    std::vector<DecodedRun> runs_;
};

}  // namespace nmail
