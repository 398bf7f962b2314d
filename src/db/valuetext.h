#pragma once
// How a column value becomes text: dates and times in fixed forms without
// fractions, binary data as "0x" and hexadecimal digits, everything else in
// the driver's character form, read whole however long it is.

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

namespace orva {

enum class ValueClass { Date, Time, Timestamp, Binary, Character };

ValueClass ClassifySqlType(SQLSMALLINT sqlType);

// "%04d-%02d-%02d", "%02d:%02d:%02d" or both with a space, by class.
void FormatTimestampText(ValueClass valueClass, const SQL_TIMESTAMP_STRUCT& value, std::string& out);

// Appends two upper-case hexadecimal digits for every byte.
void AppendHex(std::string& out, std::string_view bytes);

// Reads one column of the current row whole, in chunks, as character data
// (SQL_C_CHAR) or as raw bytes (SQL_C_BINARY).
// `chunk` is a buffer reused across calls; `overflow` collects values that do
// not fit into one chunk. Returns the value's bytes (pointing into one of the
// two) with *isNull set for NULL, or the failing return code in *rc.
class CharDataReader {
 public:
  CharDataReader();
  // SQL_SUCCESS when read (possibly NULL); otherwise the failing code.
  // `expectedSize` sizes the first read (some drivers fill the whole buffer
  // they are given, so it should not be much larger than the value); longer
  // values are still read whole.
  SQLRETURN Read(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT cType, size_t expectedSize,
                 std::string_view& value, bool& isNull);

  // A first-read size from a column's reported size: bounded both ways, since
  // the reported size is only a hint.
  static size_t FirstReadSize(SQLULEN columnSize);

 private:
  std::vector<char> m_chunk;
  std::string m_overflow;
};

}  // namespace orva
