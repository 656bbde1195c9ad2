#pragma once
// Number conversions the stored formats rely on.

#include <QStringView>
#include <cstdint>

namespace numberrules {

// Rounds to the nearest integer, halves to the even neighbour (2.5 → 2, 3.5 → 4, -2.5 → -2).
double roundHalfEven(double value);

// The decimal number at the start of text: blanks (space, tab, CR, LF) are skipped wherever
// they stand, an optional sign, digits and one decimal point are read, and reading stops at the
// first other character. No number at the start gives 0.
double leadingNumber(QStringView text);

// roundHalfEven clamped to the range of a 16-bit signed integer.
std::int16_t toInt16HalfEven(double value);

}  // namespace numberrules
