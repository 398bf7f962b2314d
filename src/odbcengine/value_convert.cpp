#include "value_convert.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cctype>
#include <limits>

#include "type_map.h"

namespace orva::odbcengine {
namespace {

DriverError Error(const char* state, const std::string& text) {
  return DriverError(state, std::string(MessagePrefix()) + text);
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// The shortest text that reads back as the same double.
std::string FormatDouble(double d) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, result.ptr);
}

bool IsExactNumeric(SQLSMALLINT t) { return t == SQL_DECIMAL || t == SQL_NUMERIC; }

struct DateTime {
  bool hasDate = false, hasTime = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  unsigned fraction = 0;  // nanoseconds
};

// Reads 1 to n digits at s.
bool UpTo(const char*& s, int n, int& out) {
  int v = 0, i = 0;
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
  if (i == 0) return false;
  out = v;
  s += i;
  return true;
}

// Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS[.fff]" (or with a T) and "HH:MM:SS[.fff]".
bool ParseDateTime(const std::string& text, DateTime& out) {
  const char* s = text.c_str();
  while (*s == ' ') ++s;
  const char* start = s;
  if (UpTo(s, 4, out.year) && *s == '-' && (++s, UpTo(s, 2, out.month)) && *s == '-' && (++s, UpTo(s, 2, out.day))) {
    out.hasDate = true;
    if (*s == ' ' || *s == 'T') ++s;
    else if (*s != '\0') return false;
  } else {
    s = start;
    out.year = out.month = out.day = 0;
  }
  if (*s != '\0') {
    if (!UpTo(s, 2, out.hour) || *s++ != ':' || !UpTo(s, 2, out.minute) || *s++ != ':' || !UpTo(s, 2, out.second))
      return false;
    out.hasTime = true;
    if (*s == '.') {
      ++s;
      unsigned scale = 100000000;
      while (std::isdigit(static_cast<unsigned char>(*s))) {
        out.fraction += static_cast<unsigned>(*s - '0') * scale;
        scale /= 10;
        ++s;
      }
    }
    while (*s == ' ') ++s;
    if (*s != '\0') return false;
  }
  if (!out.hasDate && !out.hasTime) return false;
  if (out.hasDate && (out.month < 1 || out.month > 12 || out.day < 1 || out.day > 31)) return false;
  if (out.hasTime && (out.hour > 23 || out.minute > 59 || out.second > 61)) return false;
  return true;
}

DateTime ValueAsDateTime(const Value& v) {
  DateTime dt;
  const auto* s = std::get_if<std::string>(&v);
  if (!s || !ParseDateTime(*s, dt)) throw Error("22018", "Invalid character value for the requested type.");
  if (!dt.hasDate) {
    // A time alone takes today's date, as ODBC defines for time to timestamp.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    dt.year = local.tm_year + 1900;
    dt.month = local.tm_mon + 1;
    dt.day = local.tm_mday;
  }
  return dt;
}

// A numeric value as double and, when exact, as integer.
struct Number {
  double real = 0;
  std::int64_t integer = 0;
  bool isInteger = false;
};

Number ValueAsNumber(const Value& v) {
  Number n;
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    n.integer = *i;
    n.real = static_cast<double>(*i);
    n.isInteger = true;
  } else if (const auto* d = std::get_if<double>(&v)) {
    n.real = *d;
  } else if (const auto* s = std::get_if<std::string>(&v)) {
    const char* text = s->c_str();
    char* end = nullptr;
    errno = 0;
    long long ll = std::strtoll(text, &end, 10);
    while (end && *end == ' ') ++end;
    if (end != text && *end == '\0' && errno == 0) {
      n.integer = ll;
      n.real = static_cast<double>(ll);
      n.isInteger = true;
    } else {
      n.real = std::strtod(text, &end);
      while (end && *end == ' ') ++end;
      if (end == text || *end != '\0' || !std::isfinite(n.real))
        throw Error("22018", "Invalid character value for the requested type.");
    }
  } else {
    throw Error("22018", "Invalid character value for the requested type.");
  }
  return n;
}

template <typename T>
SQLRETURN PutInteger(const Number& n, SQLPOINTER target, SQLLEN* indicator, std::vector<Diagnostic>& infos) {
  SQLRETURN rc = SQL_SUCCESS;
  T out;
  if (n.isInteger) {
    if (n.integer < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        (n.integer > 0 && static_cast<std::uint64_t>(n.integer) > static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
      throw Error("22003", "Numeric value out of range.");
    out = static_cast<T>(n.integer);
  } else {
    const double t = std::trunc(n.real);
    if (t < static_cast<double>(std::numeric_limits<T>::min()) || t >= static_cast<double>(std::numeric_limits<T>::max()) + 1.0)
      throw Error("22003", "Numeric value out of range.");
    out = static_cast<T>(t);
    if (t != n.real) {
      infos.push_back({"01S07", 0, std::string(MessagePrefix()) + "Fractional truncation."});
      rc = SQL_SUCCESS_WITH_INFO;
    }
  }
  std::memcpy(target, &out, sizeof out);
  if (indicator) *indicator = sizeof out;
  return rc;
}

SQLRETURN PutDateTime(const Value& v, SQLSMALLINT cType, SQLPOINTER target, SQLLEN* indicator,
                      std::vector<Diagnostic>& infos) {
  DateTime dt = ValueAsDateTime(v);
  SQLRETURN rc = SQL_SUCCESS;
  if (cType == SQL_C_TYPE_DATE || cType == SQL_C_DATE) {
    SQL_DATE_STRUCT d{static_cast<SQLSMALLINT>(dt.year), static_cast<SQLUSMALLINT>(dt.month),
                      static_cast<SQLUSMALLINT>(dt.day)};
    if (dt.hasTime && (dt.hour || dt.minute || dt.second || dt.fraction)) {
      infos.push_back({"01S07", 0, std::string(MessagePrefix()) + "Fractional truncation."});
      rc = SQL_SUCCESS_WITH_INFO;
    }
    std::memcpy(target, &d, sizeof d);
    if (indicator) *indicator = sizeof d;
  } else if (cType == SQL_C_TYPE_TIME || cType == SQL_C_TIME) {
    SQL_TIME_STRUCT t{static_cast<SQLUSMALLINT>(dt.hour), static_cast<SQLUSMALLINT>(dt.minute),
                      static_cast<SQLUSMALLINT>(dt.second)};
    if (dt.fraction) {
      infos.push_back({"01S07", 0, std::string(MessagePrefix()) + "Fractional truncation."});
      rc = SQL_SUCCESS_WITH_INFO;
    }
    std::memcpy(target, &t, sizeof t);
    if (indicator) *indicator = sizeof t;
  } else {
    SQL_TIMESTAMP_STRUCT ts{static_cast<SQLSMALLINT>(dt.year), static_cast<SQLUSMALLINT>(dt.month),
                            static_cast<SQLUSMALLINT>(dt.day), static_cast<SQLUSMALLINT>(dt.hour),
                            static_cast<SQLUSMALLINT>(dt.minute), static_cast<SQLUSMALLINT>(dt.second),
                            dt.fraction};
    std::memcpy(target, &ts, sizeof ts);
    if (indicator) *indicator = sizeof ts;
  }
  return rc;
}

// Delivers the next chunk of variable-length data; char data gets a NUL.
SQLRETURN PutChunk(const std::string& data, bool terminate, SQLPOINTER target, SQLLEN bufferLength,
                   SQLLEN* indicator, ReadPosition& pos, bool noTotal, std::vector<Diagnostic>& infos) {
  const std::size_t remaining = data.size() - pos.offset;
  const std::size_t room =
      bufferLength <= 0 ? 0 : static_cast<std::size_t>(bufferLength) - (terminate ? 1 : 0);
  const std::size_t n = remaining < room ? remaining : room;
  if (target && bufferLength > 0) {
    std::memcpy(target, data.data() + pos.offset, n);
    if (terminate) static_cast<char*>(target)[n] = '\0';
  }
  if (n < remaining) {
    if (indicator) *indicator = noTotal ? SQL_NO_TOTAL : static_cast<SQLLEN>(remaining);
    pos.offset += n;
    infos.push_back({"01004", 0, std::string(MessagePrefix()) + "String data, right truncated."});
    return SQL_SUCCESS_WITH_INFO;
  }
  if (indicator) *indicator = static_cast<SQLLEN>(remaining);
  pos.offset = data.size();
  pos.done = true;
  return SQL_SUCCESS;
}

// Fixed-size C types: integers, floating point, bit, dates and times.
SQLRETURN DeliverFixed(const Value& value, SQLSMALLINT cType, SQLPOINTER target, SQLLEN* indicator,
                       std::vector<Diagnostic>& infos) {
  switch (cType) {
    case SQL_C_SHORT: case SQL_C_SSHORT:
      return PutInteger<SQLSMALLINT>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_USHORT:
      return PutInteger<SQLUSMALLINT>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_LONG: case SQL_C_SLONG:
      return PutInteger<SQLINTEGER>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_ULONG:
      return PutInteger<SQLUINTEGER>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_TINYINT: case SQL_C_STINYINT:
      return PutInteger<SQLSCHAR>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_UTINYINT:
      return PutInteger<SQLCHAR>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_SBIGINT:
      return PutInteger<SQLBIGINT>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_UBIGINT:
      return PutInteger<SQLUBIGINT>(ValueAsNumber(value), target, indicator, infos);
    case SQL_C_BIT: {
      Number n = ValueAsNumber(value);
      if (n.real < 0 || n.real >= 2) throw Error("22003", "Numeric value out of range.");
      unsigned char bit = n.real >= 1 ? 1 : 0;
      std::memcpy(target, &bit, 1);
      if (indicator) *indicator = 1;
      if (n.real != 0 && n.real != 1) {
        infos.push_back({"01S07", 0, std::string(MessagePrefix()) + "Fractional truncation."});
        return SQL_SUCCESS_WITH_INFO;
      }
      return SQL_SUCCESS;
    }
    case SQL_C_FLOAT: {
      Number n = ValueAsNumber(value);
      if (std::fabs(n.real) > std::numeric_limits<float>::max()) throw Error("22003", "Numeric value out of range.");
      float f = static_cast<float>(n.real);
      std::memcpy(target, &f, sizeof f);
      if (indicator) *indicator = sizeof f;
      return SQL_SUCCESS;
    }
    case SQL_C_DOUBLE: {
      double d = ValueAsNumber(value).real;
      std::memcpy(target, &d, sizeof d);
      if (indicator) *indicator = sizeof d;
      return SQL_SUCCESS;
    }
    case SQL_C_DATE: case SQL_C_TIME: case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE: case SQL_C_TYPE_TIME: case SQL_C_TYPE_TIMESTAMP:
      return PutDateTime(value, cType, target, indicator, infos);
    default:
      throw Error("HY003", "Program type out of range.");
  }
}

}  // namespace

std::string CharForm(const Value& v, const ColumnInfo& column) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    // Whole numbers are printed exactly, whatever their size, with the
    // column's scale as zero decimals.
    if (IsExactNumeric(column.type) && column.scale > 0)
      return std::to_string(*i) + "." + std::string(static_cast<std::size_t>(column.scale), '0');
    return std::to_string(*i);
  }
  if (const auto* d = std::get_if<double>(&v)) {
    if (IsExactNumeric(column.type)) {
      char buf[400];
      const auto result = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::fixed, column.scale);
      if (result.ec == std::errc()) return std::string(buf, result.ptr);
      std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(column.scale), *d);
      return buf;
    }
    return FormatDouble(*d);
  }
  if (const auto* b = std::get_if<Blob>(&v)) return Hex(b->bytes);
  if (const auto* s = std::get_if<std::string>(&v)) return IsBinaryType(column.type) ? Hex(*s) : *s;
  return std::string();
}

bool IsKnownCType(SQLSMALLINT c) {
  switch (c) {
    case SQL_C_CHAR: case SQL_C_BINARY: case SQL_C_DEFAULT:
    case SQL_C_SHORT: case SQL_C_SSHORT: case SQL_C_USHORT:
    case SQL_C_LONG: case SQL_C_SLONG: case SQL_C_ULONG:
    case SQL_C_TINYINT: case SQL_C_STINYINT: case SQL_C_UTINYINT:
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: case SQL_C_BIT:
    case SQL_C_FLOAT: case SQL_C_DOUBLE:
    case SQL_C_DATE: case SQL_C_TIME: case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE: case SQL_C_TYPE_TIME: case SQL_C_TYPE_TIMESTAMP:
      return true;
    default:
      return false;
  }
}

SQLRETURN DeliverValue(const Value& value, const ColumnInfo& column, SQLSMALLINT cType, SQLPOINTER target,
                       SQLLEN bufferLength, SQLLEN* indicator, ReadPosition& pos, bool noTotal,
                       std::vector<Diagnostic>& infos) {
  if (pos.done) return SQL_NO_DATA;
  if (cType == SQL_C_DEFAULT) cType = DefaultCType(column.type);
  if (IsNull(value)) {
    if (!indicator) throw Error("22002", "Indicator variable required but not supplied.");
    *indicator = SQL_NULL_DATA;
    pos.done = true;
    return SQL_SUCCESS;
  }
  if (cType == SQL_C_CHAR || cType == SQL_C_BINARY) {
    // Stored bytes are handed out in place; a converted form is made once per
    // value and kept for the following chunks.
    const auto* text = std::get_if<std::string>(&value);
    const auto* blob = std::get_if<Blob>(&value);
    const std::string* data = nullptr;
    if (cType == SQL_C_BINARY && (text || blob)) data = text ? text : &blob->bytes;
    else if (cType == SQL_C_CHAR && text && !IsBinaryType(column.type)) data = text;
    else {
      if (!pos.converted) {
        pos.text = CharForm(value, column);
        pos.converted = true;
      }
      data = &pos.text;
    }
    return PutChunk(*data, cType == SQL_C_CHAR, target, bufferLength, indicator, pos, noTotal, infos);
  }
  if (!target) throw Error("HY009", "Invalid use of null pointer.");
  const SQLRETURN rc = DeliverFixed(value, cType, target, indicator, infos);
  pos.done = true;  // only once delivered: a failed conversion may be retried as another type
  return rc;
}

namespace {

// UTF-16 code units as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(const SQLWCHAR* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool IsIntegerSqlType(SQLSMALLINT t) {
  return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT || t == SQL_BIT;
}
bool IsFloatSqlType(SQLSMALLINT t) { return t == SQL_REAL || t == SQL_FLOAT || t == SQL_DOUBLE; }

// Text bound for a numeric column is stored as the number it spells (so that
// comparisons with stored numbers hold); anything else stays text, and
// decimals stay text to keep their digits.
Value TextParameter(std::string text, SQLSMALLINT sqlType) {
  std::size_t first = 0, last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  const char* begin = text.data() + first;
  const char* end = text.data() + last;
  if (begin != end && IsIntegerSqlType(sqlType)) {
    std::int64_t v = 0;
    const auto r = std::from_chars(*begin == '+' ? begin + 1 : begin, end, v);
    if (r.ec == std::errc() && r.ptr == end) return v;
  } else if (begin != end && IsFloatSqlType(sqlType)) {
    double v = 0;
    const auto r = std::from_chars(*begin == '+' ? begin + 1 : begin, end, v);
    if (r.ec == std::errc() && r.ptr == end) return v;
  }
  return text;
}

std::string TwoDigits(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02u", v % 100);
  return buf;
}

std::string DateText(const SQL_DATE_STRUCT& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", d.year, d.month, d.day);
  return buf;
}

std::string TimeText(unsigned hour, unsigned minute, unsigned second) {
  return TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
}

}  // namespace

Value ParameterValue(const ParamBinding& b) {
  if (!b.bound) throw Error("07002", "COUNT field incorrect: a parameter is not bound.");
  SQLLEN length = b.indicator ? *b.indicator : (b.cType == SQL_C_CHAR || b.cType == SQL_C_WCHAR ? SQL_NTS : b.bufferLength);
  if (length == SQL_NULL_DATA) return Value{};
  if (length == SQL_DATA_AT_EXEC || length <= SQL_LEN_DATA_AT_EXEC_OFFSET)
    throw Error("HYC00", "Optional feature not implemented: data at execution.");
  if (length < 0 && length != SQL_NTS) throw Error("HY090", "Invalid string or buffer length.");
  if (!b.value) {
    if ((b.cType == SQL_C_CHAR || b.cType == SQL_C_WCHAR || b.cType == SQL_C_BINARY) && length == 0)
      return b.cType == SQL_C_BINARY ? Value(Blob{}) : TextParameter("", b.sqlType);
    throw Error("HY009", "Invalid use of null pointer.");
  }
  auto as = [&](auto v) {
    std::memcpy(&v, b.value, sizeof v);
    return v;
  };
  switch (b.cType) {
    case SQL_C_CHAR: {
      const auto* text = static_cast<const char*>(b.value);
      const std::size_t n = length == SQL_NTS ? std::strlen(text) : static_cast<std::size_t>(length);
      return TextParameter(std::string(text, n), b.sqlType);
    }
    case SQL_C_WCHAR: {
      const auto* units = static_cast<const SQLWCHAR*>(b.value);
      std::size_t n = 0;
      if (length == SQL_NTS)
        while (units[n]) ++n;
      else
        n = static_cast<std::size_t>(length) / sizeof(SQLWCHAR);
      return TextParameter(Utf8FromUtf16(units, n), b.sqlType);
    }
    case SQL_C_BINARY:
      if (length == SQL_NTS) throw Error("HY090", "Invalid string or buffer length.");
      return Blob{std::string(static_cast<const char*>(b.value), static_cast<std::size_t>(length))};
    case SQL_C_BIT:
    case SQL_C_UTINYINT:
    case SQL_C_TINYINT: return static_cast<std::int64_t>(as(static_cast<unsigned char>(0)));
    case SQL_C_STINYINT: return static_cast<std::int64_t>(as(static_cast<signed char>(0)));
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return static_cast<std::int64_t>(as(SQLSMALLINT{}));
    case SQL_C_USHORT: return static_cast<std::int64_t>(as(SQLUSMALLINT{}));
    case SQL_C_LONG:
    case SQL_C_SLONG: return static_cast<std::int64_t>(as(SQLINTEGER{}));
    case SQL_C_ULONG: return static_cast<std::int64_t>(as(SQLUINTEGER{}));
    case SQL_C_SBIGINT: return static_cast<std::int64_t>(as(SQLBIGINT{}));
    case SQL_C_UBIGINT: {
      const SQLUBIGINT v = as(SQLUBIGINT{});
      if (v > static_cast<SQLUBIGINT>(std::numeric_limits<std::int64_t>::max()))
        throw Error("22003", "Numeric value out of range.");
      return static_cast<std::int64_t>(v);
    }
    case SQL_C_FLOAT: return static_cast<double>(as(SQLREAL{}));
    case SQL_C_DOUBLE: return as(SQLDOUBLE{});
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: return DateText(as(SQL_DATE_STRUCT{}));
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: {
      const auto t = as(SQL_TIME_STRUCT{});
      return TimeText(t.hour, t.minute, t.second);
    }
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP: {
      const auto t = as(SQL_TIMESTAMP_STRUCT{});
      std::string text = DateText({t.year, t.month, t.day}) + " " + TimeText(t.hour, t.minute, t.second);
      if (t.fraction) {
        char buf[16];
        std::snprintf(buf, sizeof buf, ".%09u", static_cast<unsigned>(t.fraction % 1000000000u));
        std::string digits = buf;
        while (digits.back() == '0') digits.pop_back();
        text += digits;
      }
      return text;
    }
    default: throw Error("HY003", "Program type out of range.");
  }
}

}  // namespace orva::odbcengine
