#pragma once
// Finds the header and body of a part and the parts of a multipart body by scanning the raw mail
// in place, so a large attachment is neither copied nor read through a stream to find where it
// ends.

#include <functional>
#include <string_view>
#include <vector>

namespace nmail {

// A stretch [start, end) of a raw mail.
struct MailStretch {
    size_t start = 0;
    size_t end = 0;
    friend bool operator==(const MailStretch&, const MailStretch&) = default;
};

struct HeaderExtent {
    size_t headerEnd;  // where the header's last line ends
    size_t bodyStart;
};

// True for the line of a header field: a name of visible characters, then a colon.
bool isFieldLine(std::string_view line);

// Where the next "\n" in raw[from, end) is, or end. passed, when given, hears how far the scan
// has gone on a long way, so that a caller can release what lies behind it.
size_t nextLineFeed(std::string_view raw, size_t from, size_t end, const std::function<void(size_t)>& passed = {});

// The header at the start of raw[part.start, part.end). It ends at its first line that is
// neither a field ("name:") nor a folded continuation, nor, at the start of a whole mail, an
// mbox "From " line (RFC 5322 2.1). An empty line there, or a line of blanks, separates header
// and body; any other line is already the body's first: real mail that lacks the empty line
// still has its text read as text, not thrown away as broken header fields.
// passed as for nextLineFeed (a header of a gigabyte has been seen).
HeaderExtent headerExtent(std::string_view raw, MailStretch part, bool wholeMail,
                          const std::function<void(size_t)>& passed = {});

// The parts (header and body each) of the multipart body raw[body.start, body.end) delimited by
// boundary, in order; the preamble before the first delimiter line and the epilogue after the
// closing one are not parts. A delimiter line is "--" and the boundary at the start of a line,
// followed by a line break, or by "--" for the closing delimiter; blanks before the line break
// are tolerated (RFC 2046 5.1.1 transport padding). The line break before a delimiter
// belongs to the delimiter. When the closing delimiter is missing, the last part runs to the
// end of the body. Empty when no delimiter line is found.
// dashFree, in order, are stretches known to hold no "-" (a base64 body seen as it arrived): the
// scan passes over them without reading them.
// passed, when given, hears how far the scan has gone, so that a caller can release what lies
// behind it.
std::vector<MailStretch> multipartParts(std::string_view raw, MailStretch body, std::string_view boundary,
                                        const std::vector<MailStretch>& dashFree = {},
                                        const std::function<void(size_t)>& passed = {});

}  // namespace nmail
