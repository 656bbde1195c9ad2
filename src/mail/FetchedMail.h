#pragma once
// The mail the caller fetched last, kept while it asks for the mail's parts one call at a time:
// its bytes as the server sent them (however large, never copied), parsed once for both its text
// and its attachments, and its texts in code page 932, encoded once for every buffer they fill.

#include "mail/MailBytes.h"
#include "mail/MessageDecoder.h"
#include "mail/ParsedMail.h"

#include <QByteArray>

#include <memory>

namespace nmail {

class FetchedMail {
public:
    struct Encoded {
        QByteArray subject, date, sender, text;
    };

    // Whether it is mail number of the session handle.
    bool is(int handle, int number) const { return number_ != 0 && handle_ == handle && number_ == number; }
    bool isOf(int handle) const { return number_ != 0 && handle_ == handle; }
    bool any() const { return number_ != 0; }

    // Takes mail number of session handle: parses, decodes and encodes it. A NUL in its texts
    // becomes U+FFFD, for the buffers end at the first NUL.
    void take(int handle, int number, std::shared_ptr<const MailBytes> raw);
    void forget() { *this = {}; }

    const DecodedMail& decoded() const { return decoded_; }
    const ParsedMail& parsed() const { return *parsed_; }
    const std::shared_ptr<const MailBytes>& raw() const { return raw_; }
    const Encoded& encoded() const { return encoded_; }

    // MailLoss bits of the mail, its buffers and its files, as they are found.
    int losses() const { return losses_; }
    void addLosses(int losses) { losses_ |= losses; }

    // Room for its text with the attachment lines once the files are written: a name taken in
    // the folder gets " (n)" added, at most fourteen bytes.
    qsizetype textBytesNeeded() const { return encoded_.text.size() + 14 * decoded_.attachments.size(); }

private:
    int handle_ = 0;
    int number_ = 0;
    std::shared_ptr<const MailBytes> raw_;
    std::shared_ptr<const ParsedMail> parsed_;
    DecodedMail decoded_;
    Encoded encoded_;
    int losses_ = 0;
};

}  // namespace nmail
