#pragma once
// Turning the text of a grid cell into the contents of a dBase "D" or "N"
// field. Numbers are read and printed with "." as the decimal point whatever
// the process locale says, because a dBase file has one fixed format.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

struct DbfDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Reads a date such as "2004-05-06", "2004/5/6" or "2004-05-06 12:30:00".
// The whole text must hold exactly two separators ("-" or "/"); the date part
// is the text before the last space (at most 10 characters) and is split at
// the separators into year, month and day. The day is normalised through the
// local calendar at midnight, so 2004-02-30 becomes 2004-03-01; a day the
// C library cannot represent is kept as read. Anything else is no date.
std::optional<DbfDate> ReadDbfDate(std::string_view text);

// "YYYYMMDD", or empty when the year does not fit four digits.
std::string FormatDbfDate(const DbfDate& date);

// The leading number of the text as a double (0 when the text starts with no
// number), with the C library's rules for leading white space, signs,
// exponents, "inf" and "nan".
double ReadDbfNumber(std::string_view text);

// The number printed left-aligned: with `decimals` > 0 digits after the
// point, rounded; with no decimals the value truncated toward zero. A value
// that is not finite gives an empty text.
std::string FormatDbfNumber(double value, int decimals);

// Room for any number PrintDbfNumber and PrintDbfNumberText print.
inline constexpr std::size_t kDbfNumberRoom = 700;

// FormatDbfNumber into `out` (kDbfNumberRoom bytes); the length printed, 0
// for no text.
std::size_t PrintDbfNumber(double value, int decimals, char* out);

// PrintDbfNumber(ReadDbfNumber(text), decimals, out), without the
// conversions through double for the common plain integers.
std::size_t PrintDbfNumberText(std::string_view text, int decimals, char* out);

}  // namespace orva
