#pragma once
// Values, column descriptions and errors shared by the parts of an ODBC
// driver built on the engine. Everything here is internal to the driver library.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace orva::odbcengine {

// Binary data kept apart from text so conversions can tell them apart.
struct Blob {
  std::string bytes;
};

// One value of a result row, as SQLite stores it.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// What the driver reports about a column (ODBC 3 type codes; the ODBC 2 date
// codes are substituted when an application asked for ODBC 2).
struct ColumnInfo {
  std::string name;
  SQLSMALLINT type = SQL_VARCHAR;
  SQLULEN size = 255;
  SQLSMALLINT scale = 0;
  bool hasScale = false;   // numeric types: SCALE is not NULL in the catalog
  SQLLEN octetLength = 255;
  int radix = 0;           // 0: NULL in the catalog
  SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
  std::string typeName = "varchar";
  bool isUnsigned = false;
  std::string table;       // base table, when the column comes from one
  std::string baseColumn;
};

// An ODBC diagnostic record.
struct Diagnostic {
  std::string state;
  SQLINTEGER native = 0;
  std::string message;
};

// Raised inside the driver; turned into a diagnostic record and SQL_ERROR at
// the entry point.
class DriverError : public std::runtime_error {
 public:
  DriverError(std::string state, std::string message, SQLINTEGER native = 0)
      : std::runtime_error(message), m_state(std::move(state)), m_native(native) {}
  const std::string& State() const { return m_state; }
  SQLINTEGER Native() const { return m_native; }

 private:
  std::string m_state;
  SQLINTEGER m_native;
};

// Prefix of every message the driver produces, as drivers name themselves
// ("[ORVA][<driver name>]"); each driver module supplies its own.
const char* MessagePrefix();

// The type code an application of the given ODBC version expects.
inline SQLSMALLINT ReportedType(SQLSMALLINT type, int odbcVersion) {
  if (odbcVersion == SQL_OV_ODBC2) {
    if (type == SQL_TYPE_DATE) return SQL_DATE;
    if (type == SQL_TYPE_TIME) return SQL_TIME;
    if (type == SQL_TYPE_TIMESTAMP) return SQL_TIMESTAMP;
  }
  return type;
}

}  // namespace orva::odbcengine
