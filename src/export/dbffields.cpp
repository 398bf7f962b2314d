#include "export/dbffields.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>

namespace orva {
namespace {

bool IsDateSeparator(char c) { return c == '-' || c == '/'; }

// A decimal integer the way atoi reads it: leading blanks, a sign, digits,
// the rest ignored, 0 when there are no digits. Clamped far inside int so
// that the calendar arithmetic below cannot overflow.
int ReadDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(value * 10 + (text[i] - '0'), 999999999L);
  return static_cast<int>(negative ? -value : value);
}

// The "C" locale, so that a user locale with a decimal comma does not change
// how numbers are read.
locale_t CLocale() {
  static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

std::optional<DbfDate> ReadDbfDate(std::string_view text) {
  if (std::count_if(text.begin(), text.end(), IsDateSeparator) != 2) return std::nullopt;
  std::string_view part = text;
  if (std::size_t space = text.rfind(' '); space != std::string_view::npos) part = text.substr(0, space);
  part = part.substr(0, 10);

  auto first = std::find_if(part.begin(), part.end(), IsDateSeparator);
  if (first == part.end()) return std::nullopt;
  auto second = std::find_if(first + 1, part.end(), IsDateSeparator);
  if (second == part.end()) return std::nullopt;

  DbfDate date;
  date.year = ReadDecimal(std::string_view(part.begin(), first));
  date.month = ReadDecimal(std::string_view(first + 1, second));
  date.day = ReadDecimal(std::string_view(second + 1, part.end()));

  // A valid day needs no normalising; the C library's conversion is slow
  // (time zone rules) and a result grid may hold a million dates.
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.year >= 1 && date.month >= 1 && date.month <= 12 && date.day >= 1) {
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    if (date.day <= kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0)) return date;
  }
  std::tm day{};
  day.tm_year = date.year - 1900;
  day.tm_mon = date.month - 1;
  day.tm_mday = date.day;
  day.tm_isdst = -1;
  if (std::mktime(&day) != static_cast<std::time_t>(-1)) {
    date.year = day.tm_year + 1900;
    date.month = day.tm_mon + 1;
    date.day = day.tm_mday;
  }
  return date;
}

std::string FormatDbfDate(const DbfDate& date) {
  if (date.year < 0 || date.year > 9999 || date.month < 0 || date.month > 99 || date.day < 0 || date.day > 99)
    return {};
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  return text;
}

double ReadDbfNumber(std::string_view text) {
  std::string copy(text.substr(0, text.find('\0')));
  return strtod_l(copy.c_str(), nullptr, CLocale());
}

std::size_t PrintDbfNumber(double value, int decimals, char* out) {
  if (!std::isfinite(value)) return 0;
  // The room holds the largest double in fixed notation with 255 decimals.
  char* const end = out + kDbfNumberRoom;
  std::to_chars_result result;
  if (decimals > 0) {
    result = std::to_chars(out, end, value, std::chars_format::fixed, std::min(decimals, 255));
  } else {
    double whole = std::trunc(value);
    if (whole >= static_cast<double>(LONG_MIN) && whole < -static_cast<double>(LONG_MIN))
      result = std::to_chars(out, end, static_cast<long>(whole));
    else
      result = std::to_chars(out, end, whole, std::chars_format::fixed, 0);
  }
  if (result.ec != std::errc()) return 0;
  return static_cast<std::size_t>(result.ptr - out);
}

std::string FormatDbfNumber(double value, int decimals) {
  char text[kDbfNumberRoom];
  return std::string(text, PrintDbfNumber(value, decimals, text));
}

std::size_t PrintDbfNumberText(std::string_view text, int decimals, char* out) {
  // A sign and at most 15 digits: exact as a double and as a long.
  std::size_t i = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  const bool negative = i == 1 && text[0] == '-';
  const std::size_t digits = text.size() - i;
  bool plain = digits >= 1 && digits <= 15;
  long value = 0;
  for (std::size_t k = i; plain && k < text.size(); ++k) {
    plain = text[k] >= '0' && text[k] <= '9';
    value = value * 10 + (text[k] - '0');
  }
  // Negative zero prints its sign with decimals: leave it to the general path.
  if (!plain || (negative && value == 0 && decimals > 0)) return PrintDbfNumber(ReadDbfNumber(text), decimals, out);
  // Without decimals, an integer written the way it is printed (no "+", no
  // leading zero, no "-0") is its own text.
  if (decimals <= 0 && (i == 0 || negative) && (text[i] != '0' || (digits == 1 && !negative))) {
    std::memcpy(out, text.data(), text.size());
    return text.size();
  }
  std::size_t size = static_cast<std::size_t>(std::to_chars(out, out + 40, negative ? -value : value).ptr - out);
  if (decimals > 0) {
    out[size++] = '.';
    const auto zeros = static_cast<std::size_t>(std::min(decimals, 255));
    std::memset(out + size, '0', zeros);
    size += zeros;
  }
  return size;
}

}  // namespace orva
