#pragma once
// The fields of a header block as received, found once: a reader asks for a field by name and
// gets its value where it lies. A block here is what headerExtent found as a header, so every
// line is either a field ("name:" with a name of visible characters), a folded continuation of
// the field above it, or, at the very start, an mbox "From " line that belongs to no field.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nmail {

class HeaderFields {
public:
    HeaderFields() = default;
    explicit HeaderFields(std::string_view block);

    // The value of the first field of that name (in any case): what follows its colon up to the
    // end of its last continuation line, line breaks and all. Empty when there is no such field.
    std::string_view value(std::string_view name) const;

    // The fields of the given names, each whole with its continuation lines and line breaks, in
    // the order they came: a smaller header that finds those fields as the whole block does.
    std::string only(std::initializer_list<std::string_view> names) const;

private:
    struct Field {
        size_t start;  // where its name starts
        size_t colon;
        size_t end;  // past its last line's line feed
    };
    const Field* find(std::string_view name) const;

    std::string_view block_;
    std::vector<Field> fields_;
};

}  // namespace nmail
