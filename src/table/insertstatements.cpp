#include "table/insertstatements.h"

#include <sqlext.h>

#include <cctype>

#include "db/sqlquote.h"

namespace orva {
namespace {

bool IsQuotedType(SQLSMALLINT type) {
  switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
      return true;
    default:
      return false;
  }
}

// A plain decimal number ("-12", "3.5", "1e-3"): safe to write unquoted.
bool IsNumberText(std::string_view text) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  size_t digits = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t exponent = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at, ++exponent;
    if (exponent == 0) return false;
  }
  return at == text.size();
}

}  // namespace

std::string RenderInsertValue(SQLSMALLINT sqlType, const std::optional<std::string>& value) {
  if (!value) return "NULL";
  if (IsQuotedType(sqlType)) return QuoteLiteral(*value);
  if (value->empty()) return "NULL";
  // A number column holding something that is not a number (a value typed
  // but never saved, a type the driver reports as numeric) stays a literal,
  // so the statement cannot be broken by it.
  return IsNumberText(*value) ? *value : QuoteLiteral(*value);
}

std::string BuildInsertStatement(std::string_view table, const std::vector<std::string>& columns,
                                 const std::vector<SQLSMALLINT>& types,
                                 const std::vector<std::optional<std::string>>& values) {
  std::string sql = "INSERT INTO ";
  sql += table;
  sql += "(";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) sql += ", ";
    sql += columns[i];
  }
  sql += ") VALUES (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) sql += ", ";
    sql += RenderInsertValue(i < types.size() ? types[i] : SQLSMALLINT(0),
                             i < values.size() ? values[i] : std::optional<std::string>());
  }
  sql += ");\r\n";
  return sql;
}

}  // namespace orva
