#include "platform/NumberRules.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace numberrules {
namespace {

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

}  // namespace

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

double leadingNumber(QStringView text)
{
    // Collect the number's characters with the blanks taken out, then let a locale-free
    // parser read them; the program's locale must not change what "1.5" means.
    std::string number;
    bool seenPoint = false;
    for (const QChar ch : text) {
        if (isBlank(ch))
            continue;
        const bool isSign = (ch == u'-' || ch == u'+') && number.empty();
        if (isSign || (ch >= u'0' && ch <= u'9')) {
            number.push_back(static_cast<char>(ch.unicode()));
        } else if (ch == u'.' && !seenPoint) {
            seenPoint = true;
            number.push_back('.');
        } else {
            break;
        }
    }
    const char* first = number.data();
    if (!number.empty() && number.front() == '+')
        ++first;  // from_chars takes no plus sign
    double value = 0.0;
    const auto result = std::from_chars(first, number.data() + number.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

std::int16_t toInt16HalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = roundHalfEven(value);
    if (rounded <= std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (rounded >= std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(rounded);
}

}  // namespace numberrules
