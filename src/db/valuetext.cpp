#include "db/valuetext.h"

#include <algorithm>

#include "db/dbexception.h"
#include "db/odbcenv.h"

namespace orva {
namespace {

// The first read of a value uses this many bytes; long values make the chunk
// grow up to kMaxChunk so that megabyte texts need few calls.
constexpr size_t kFirstChunk = 8192;
constexpr size_t kMaxChunk = 1 << 20;

void AppendDigits(std::string& out, unsigned value, int width) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && n < 10);
  for (int i = n; i < width; ++i) out.push_back('0');
  while (n > 0) out.push_back(digits[--n]);
}

void AppendDate(std::string& out, const SQL_TIMESTAMP_STRUCT& v) {
  if (v.year < 0) out.push_back('-');
  AppendDigits(out, static_cast<unsigned>(v.year < 0 ? -v.year : v.year), 4);
  out.push_back('-');
  AppendDigits(out, v.month, 2);
  out.push_back('-');
  AppendDigits(out, v.day, 2);
}

void AppendTime(std::string& out, const SQL_TIMESTAMP_STRUCT& v) {
  AppendDigits(out, v.hour, 2);
  out.push_back(':');
  AppendDigits(out, v.minute, 2);
  out.push_back(':');
  AppendDigits(out, v.second, 2);
}

}  // namespace

ValueClass ClassifySqlType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_DATE:
    case SQL_TYPE_DATE:
      return ValueClass::Date;
    case SQL_TIME:
    case SQL_TYPE_TIME:
      return ValueClass::Time;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return ValueClass::Timestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ValueClass::Binary;
    default:
      return ValueClass::Character;
  }
}

void FormatTimestampText(ValueClass valueClass, const SQL_TIMESTAMP_STRUCT& value, std::string& out) {
  out.clear();
  if (valueClass != ValueClass::Time) AppendDate(out, value);
  if (valueClass == ValueClass::Timestamp) out.push_back(' ');
  if (valueClass != ValueClass::Date) AppendTime(out, value);
}

CharDataReader::CharDataReader() : m_chunk(kFirstChunk) {}

void AppendHex(std::string& out, std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  const size_t start = out.size();
  out.resize(start + bytes.size() * 2);
  char* dst = out.data() + start;
  for (unsigned char c : bytes) {
    *dst++ = kDigits[c >> 4];
    *dst++ = kDigits[c & 0x0F];
  }
}

size_t CharDataReader::FirstReadSize(SQLULEN columnSize) {
  constexpr size_t kMinFirstRead = 64;
  // Room for a sign, a decimal point, an exponent and the terminator.
  const SQLULEN wanted = columnSize > kFirstChunk ? kFirstChunk : columnSize + 8;
  return std::clamp(static_cast<size_t>(wanted), kMinFirstRead, kFirstChunk);
}

SQLRETURN CharDataReader::Read(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT cType, size_t expectedSize,
                               std::string_view& value, bool& isNull) {
  isNull = false;
  // Character data is terminated by a zero byte inside the buffer; binary data is not.
  const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
  bool first = true;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLLEN room = static_cast<SQLLEN>(first ? std::min(expectedSize, m_chunk.size()) : m_chunk.size());
    SQLRETURN rc = CallWhileExecuting(
        [&] { return SQLGetData(hstmt, column, cType, m_chunk.data(), room, &indicator); });
    if (rc == SQL_NO_DATA && !first) break;  // the previous chunk was the last
    if (!Succeeded(rc)) return rc;
    if (indicator == SQL_NULL_DATA) {
      isNull = true;
      value = {};
      return SQL_SUCCESS;
    }
    // The chunk was filled when the driver says so, or reports a total that
    // does not fit; it then holds room bytes less the terminator.
    const SQLLEN usable = room - terminator;
    const bool filled = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > usable);
    const size_t got = filled ? static_cast<size_t>(usable)
                              : static_cast<size_t>(indicator < 0 ? 0 : std::min(indicator, usable));
    if (first && !filled) {
      value = std::string_view(m_chunk.data(), got);
      return SQL_SUCCESS;
    }
    if (first) m_overflow.clear();
    m_overflow.append(m_chunk.data(), got);
    first = false;
    if (!filled) break;
    if (m_chunk.size() < kMaxChunk) m_chunk.resize(std::min(m_chunk.size() * 4, kMaxChunk));
  }
  value = m_overflow;
  return SQL_SUCCESS;
}

}  // namespace orva
