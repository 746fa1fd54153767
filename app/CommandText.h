#pragma once
// The lenient text-to-number conversions the instrument commands use, and the clock text that
// GET TIME takes apart. Kept free of widgets so they are tested (and fuzzed) on their own.

#include <QString>
#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace vemla {

// Leading blanks, an optional sign, then decimal digits; anything after them is ignored and a
// text without digits gives 0. Too large a number gives the largest value, and a minus sign
// negates in unsigned arithmetic.
uint64_t LeadingUnsigned(const QString& text);
// Leading blanks, then the longest decimal floating-point prefix; 0.0 when there is none.
// Independent of the process locale: the decimal point is always '.'.
double LeadingDouble(const QString& text);

// The 24-character standard clock text, "Wed Oct  9 15:27:45 2013", in English whatever the
// locale.
std::string StandardTimeText(const std::tm& t);

// The five date and time edits filled from a standard clock text: year (2 digits), month
// (1..12, empty when the name is not an English abbreviation), day (space-padded), hour, minute.
std::array<QString, 5> TimeFieldsFromText(const std::string& text);

} // namespace vemla
