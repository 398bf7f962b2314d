#pragma once
// Numbers and logical values as file fields hold them.

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace orva::filedriver {

// A whole decimal text (optional sign) as a 64-bit integer.
std::optional<long long> ParseInteger(std::string_view text);
// A decimal number text (integer, fraction, exponent) as a double.
std::optional<double> ParseNumber(std::string_view text);
// T/Y/True/Yes/1 and F/N/False/No/0, ignoring case.
std::optional<bool> ParseLogical(std::string_view text);
// The shortest text that reads back as the same double.
std::string FormatNumber(double value);
// Gives SQLite the number a text holds (an integer when it is one and
// integers are preferred or the text has no fraction); false when the text
// is no number.
bool ResultNumber(sqlite3_context* ctx, std::string_view text, bool preferInteger);

}  // namespace orva::filedriver
