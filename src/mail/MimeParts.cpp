#include "mail/MimeParts.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace nmail {

namespace {

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

struct Delimiter {
    size_t start;     // where the line break before it starts
    size_t boundary;  // where the boundary starts
};

// True when what follows a boundary at pos makes it a delimiter: "--" (the closing delimiter),
// or blanks up to the end of the line or of the body.
bool endsDelimiter(std::string_view raw, size_t pos, size_t end)
{
    if (pos + 1 < end && raw.substr(pos, 2) == "--")
        return true;
    while (pos < end && (raw[pos] == ' ' || raw[pos] == '\t'))
        ++pos;
    return pos >= end || raw[pos] == '\r' || raw[pos] == '\n';
}

// How far the scan for a delimiter goes before it tells where it is.
constexpr size_t ScanStep = 4 * 1024 * 1024;

// The next delimiter line that starts in raw[from, end), if any. Found from the dashes at the start
// of lines: base64 has no "-", so the scan passes over an encoded attachment at memchr's pace.
std::optional<Delimiter> nextDelimiter(std::string_view raw, size_t from, size_t end, std::string_view boundary,
                                       const std::vector<MailStretch>& dashFree,
                                       const std::function<void(size_t)>& passed)
{
    for (size_t at = from; at < end;) {
        // The first stretch known to hold no "-" that does not lie wholly behind at.
        const auto plain = std::upper_bound(dashFree.begin(), dashFree.end(), at,
                                            [](size_t pos, const MailStretch& stretch) { return pos < stretch.end; });
        if (plain != dashFree.end() && plain->start <= at) {
            at = std::min(end, plain->end);
            if (passed)
                passed(at);
            continue;
        }
        const size_t stepEnd = std::min({end, at + ScanStep, plain != dashFree.end() ? plain->start : end});
        const void* found = std::memchr(raw.data() + at, '-', stepEnd - at);
        if (!found) {
            at = stepEnd;
            if (passed)
                passed(at);
            continue;
        }
        const size_t dashes = static_cast<const char*>(found) - raw.data();
        at = dashes + 1;
        if ((dashes > 0 && raw[dashes - 1] != '\n') || dashes + 1 >= end || raw[dashes + 1] != '-')
            continue;
        const size_t name = dashes + 2;
        if (end - name < boundary.size() || raw.substr(name, boundary.size()) != boundary
            || !endsDelimiter(raw, name + boundary.size(), end))
            continue;  // another line that begins with "--", or a longer boundary
        const size_t lineBreak = dashes == 0 ? 0 : dashes - 1;
        return Delimiter{lineBreak > 0 && raw[lineBreak - 1] == '\r' ? lineBreak - 1 : lineBreak, name};
    }
    return std::nullopt;
}

}  // namespace

bool isFieldLine(std::string_view line)
{
    const size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    return std::all_of(line.begin(), line.begin() + std::ptrdiff_t(colon),
                       [](char c) { return static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127; });
}

size_t nextLineFeed(std::string_view raw, size_t from, size_t end, const std::function<void(size_t)>& passed)
{
    for (size_t at = from; at < end;) {
        const size_t stepEnd = std::min(end, at + ScanStep);
        if (const void* found = std::memchr(raw.data() + at, '\n', stepEnd - at))
            return size_t(static_cast<const char*>(found) - raw.data());
        at = stepEnd;
        if (passed)
            passed(at);
    }
    return end;
}

HeaderExtent headerExtent(std::string_view raw, MailStretch part, bool wholeMail, const std::function<void(size_t)>& passed)
{
    const size_t end = std::min(part.end, raw.size());
    for (size_t pos = part.start; pos < end;) {
        const size_t lineFeed = nextLineFeed(raw, pos, end, passed);
        const size_t next = lineFeed < end ? lineFeed + 1 : end;
        size_t lineEnd = lineFeed < end ? lineFeed : end;
        if (lineEnd > pos && raw[lineEnd - 1] == '\r')
            --lineEnd;
        const std::string_view line = raw.substr(pos, lineEnd - pos);
        const bool first = pos == part.start;
        if (line.empty() || (!first && isBlank(line)))
            return {pos, next};
        const bool continuation = !first && (line.front() == ' ' || line.front() == '\t');
        if (!continuation && !isFieldLine(line) && !(first && wholeMail && line.starts_with("From ")))
            return {pos, pos};
        pos = next;
    }
    return {end, end};  // a header alone, without a body
}

std::vector<MailStretch> multipartParts(std::string_view raw, MailStretch body, std::string_view boundary,
                                        const std::vector<MailStretch>& dashFree,
                                        const std::function<void(size_t)>& passed)
{
    std::vector<MailStretch> parts;
    const size_t end = std::min(body.end, raw.size());
    if (boundary.empty() || body.start >= end)
        return parts;
    std::optional<Delimiter> delimiter = nextDelimiter(raw, body.start, end, boundary, dashFree, passed);
    while (delimiter) {
        size_t pos = delimiter->boundary + boundary.size();
        if (pos + 1 < end && raw.substr(pos, 2) == "--")
            return parts;  // the closing delimiter
        while (pos < end && (raw[pos] == ' ' || raw[pos] == '\t'))
            ++pos;
        if (pos + 1 < end && raw.substr(pos, 2) == "\r\n")
            pos += 2;
        else if (pos < end && raw[pos] == '\n')
            ++pos;
        const size_t partStart = std::min(pos, end);
        delimiter = nextDelimiter(raw, partStart, end, boundary, dashFree, passed);
        // Two delimiter lines with nothing between them enclose an empty part.
        parts.push_back({partStart, delimiter ? std::max(partStart, delimiter->start) : end});
    }
    return parts;
}

}  // namespace nmail
