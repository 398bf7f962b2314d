#pragma once
// Delivering stored values into application buffers as ODBC C types.

#include <cstddef>
#include <string>
#include <vector>

#include "driver_types.h"

namespace orva::odbcengine {

// The text SQL_C_CHAR delivers: numbers in decimal (decimal columns with their
// scale), binary data as upper-case hexadecimal digits, text unchanged.
std::string CharForm(const Value& value, const ColumnInfo& column);

// Where a chunked read of one column stands.
struct ReadPosition {
  std::size_t offset = 0;  // bytes of the value already delivered
  bool done = false;       // the whole value was delivered
  bool converted = false;  // text holds the value's converted form
  std::string text;
};

// Writes value as cType into target (bufferLength bytes for variable-length
// types). Character and binary data are delivered in chunks: a value longer
// than the buffer gives SQL_SUCCESS_WITH_INFO with 01004 in infos and the
// remaining length (or SQL_NO_TOTAL when noTotal) in *indicator; the next
// call goes on where this one stopped. A value already delivered gives
// SQL_NO_DATA. Raises DriverError for impossible conversions.
SQLRETURN DeliverValue(const Value& value, const ColumnInfo& column, SQLSMALLINT cType,
                       SQLPOINTER target, SQLLEN bufferLength, SQLLEN* indicator,
                       ReadPosition& position, bool noTotal, std::vector<Diagnostic>& infos);

// An input parameter bound by SQLBindParameter: the application's buffer,
// read when the statement executes.
struct ParamBinding {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLPOINTER value = nullptr;
  SQLLEN bufferLength = 0;
  SQLLEN* indicator = nullptr;
  bool bound = false;
};

// The value a bound parameter holds now, converted to what SQLite stores:
// text stays in the driver's character set (wide text becomes UTF-8),
// numbers bound as text for a numeric column become numbers. Raises
// DriverError (HY090 bad length, HY003 unknown C type, HYC00 data at
// execution, HY009 a missing buffer).
Value ParameterValue(const ParamBinding& binding);

// True for the C types DeliverValue knows.
bool IsKnownCType(SQLSMALLINT cType);

}  // namespace orva::odbcengine
