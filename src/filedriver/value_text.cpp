#include "value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "odbcengine/sql_text.h"

namespace orva::filedriver {

std::optional<long long> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<bool> ParseLogical(std::string_view text) {
  const std::string t = odbcengine::ToLowerAscii(text);
  if (t == "t" || t == "y" || t == "true" || t == "yes" || t == "1") return true;
  if (t == "f" || t == "n" || t == "false" || t == "no" || t == "0") return false;
  return std::nullopt;
}

std::string FormatNumber(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  if (std::strtod(buf, nullptr) != d) std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

bool ResultNumber(sqlite3_context* ctx, std::string_view text, bool preferInteger) {
  if (auto i = ParseInteger(text)) {
    sqlite3_result_int64(ctx, *i);
    return true;
  }
  if (auto d = ParseNumber(text)) {
    if (preferInteger && std::trunc(*d) == *d && std::fabs(*d) < 9.2e18)
      sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(*d));
    else
      sqlite3_result_double(ctx, *d);
    return true;
  }
  return false;
}

}  // namespace orva::filedriver
