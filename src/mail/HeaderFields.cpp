#include "mail/HeaderFields.h"

#include "mail/MimeParts.h"

#include <algorithm>

namespace nmail {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace

HeaderFields::HeaderFields(std::string_view block) : block_(block)
{
    for (size_t pos = 0; pos < block.size();) {
        const size_t lineFeed = block.find('\n', pos);
        const size_t next = lineFeed == std::string_view::npos ? block.size() : lineFeed + 1;
        const std::string_view line = block.substr(pos, next - pos);
        if (line.front() == ' ' || line.front() == '\t') {
            if (!fields_.empty())
                fields_.back().end = next;
        } else if (isFieldLine(line)) {
            fields_.push_back({pos, pos + line.find(':'), next});
        }
        pos = next;
    }
}

const HeaderFields::Field* HeaderFields::find(std::string_view name) const
{
    const auto it = std::find_if(fields_.begin(), fields_.end(), [&](const Field& field) {
        return sameName(block_.substr(field.start, field.colon - field.start), name);
    });
    return it == fields_.end() ? nullptr : &*it;
}

std::string_view HeaderFields::value(std::string_view name) const
{
    const Field* field = find(name);
    return field ? block_.substr(field->colon + 1, field->end - field->colon - 1) : std::string_view();
}

std::string HeaderFields::only(std::initializer_list<std::string_view> names) const
{
    std::string out;
    for (const Field& field : fields_) {
        const std::string_view name = block_.substr(field.start, field.colon - field.start);
        if (std::any_of(names.begin(), names.end(), [&](std::string_view wanted) { return sameName(name, wanted); }))
            out.append(block_.substr(field.start, field.end - field.start));
    }
    return out;
}

}  // namespace nmail
