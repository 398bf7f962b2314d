#include "type_map.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "sql_text.h"

namespace orva::odbcengine {
namespace {

void Set(ColumnInfo& c, SQLSMALLINT type, SQLULEN size, SQLLEN octets, const char* name) {
  c.type = type;
  c.size = size;
  c.octetLength = octets;
  c.typeName = name;
  c.scale = 0;
  c.hasScale = false;
  c.radix = 0;
}

void SetExact(ColumnInfo& c, SQLSMALLINT type, SQLULEN digits, SQLLEN octets, const char* name) {
  Set(c, type, digits, octets, name);
  c.hasScale = true;
  c.radix = 10;
}

constexpr SQLULEN kUnbounded = 2147483647;

}  // namespace

void DescribeDeclaredType(std::string_view declared, ColumnInfo& c) {
  const std::string lower = ToLowerAscii(declared);
  // Base word and the numbers in parentheses.
  std::size_t p = lower.find('(');
  std::string base = lower.substr(0, p);
  while (!base.empty() && std::isspace(static_cast<unsigned char>(base.back()))) base.pop_back();
  while (!base.empty() && std::isspace(static_cast<unsigned char>(base.front()))) base.erase(0, 1);
  long n1 = -1, n2 = -1;
  bool isMax = false;
  if (p != std::string::npos) {
    const char* s = lower.c_str() + p + 1;
    while (*s == ' ') ++s;
    if (std::string_view(s).starts_with("max")) {
      isMax = true;
    } else {
      char* end = nullptr;
      n1 = std::strtol(s, &end, 10);
      if (end == s || n1 < 0) n1 = -1;
      while (end && (*end == ' ' || *end == ',')) {
        if (*end == ',') {
          n2 = std::strtol(end + 1, &end, 10);
          break;
        }
        ++end;
      }
    }
  }
  auto has = [&](const char* word) { return base.find(word) != std::string::npos; };
  const auto lengthOr = [&](SQLULEN def) { return n1 > 0 && n1 < 1000000000 ? static_cast<SQLULEN>(n1) : def; };
  std::string name = base.empty() ? "varchar" : base;

  if (base == "bit" || base == "boolean" || base == "bool") {
    SetExact(c, SQL_BIT, 1, 1, "bit");
    c.radix = 0;
    c.hasScale = false;
  } else if (base == "tinyint") {
    SetExact(c, SQL_TINYINT, 3, 1, "tinyint");
    c.isUnsigned = true;
  } else if (base == "smallint") {
    SetExact(c, SQL_SMALLINT, 5, 2, "smallint");
  } else if (base == "bigint") {
    SetExact(c, SQL_BIGINT, 19, 8, "bigint");
  } else if (has("int")) {
    SetExact(c, SQL_INTEGER, 10, 4, base == "integer" ? "integer" : "int");
  } else if (base == "decimal" || base == "numeric" || base == "money" || base == "smallmoney") {
    const SQLULEN precision = n1 > 0 && n1 <= 38 ? static_cast<SQLULEN>(n1) : 18;
    SetExact(c, base == "numeric" ? SQL_NUMERIC : SQL_DECIMAL, precision, precision + 2, name.c_str());
    c.scale = static_cast<SQLSMALLINT>(n2 >= 0 && static_cast<SQLULEN>(n2) <= precision ? n2 : 0);
    if (base == "money" || base == "smallmoney") c.scale = 4;
  } else if (base == "real") {
    SetExact(c, SQL_REAL, 24, 4, "real");
    c.radix = 2;
    c.hasScale = false;
  } else if (has("floa") || has("doub")) {
    SetExact(c, has("doub") ? SQL_DOUBLE : SQL_FLOAT, 53, 8, has("doub") ? "double" : "float");
    c.radix = 2;
    c.hasScale = false;
  } else if (base == "date") {
    Set(c, SQL_TYPE_DATE, 10, 6, "date");
  } else if (base == "time") {
    Set(c, SQL_TYPE_TIME, 8, 6, "time");
  } else if (has("datetime") || has("timestamp")) {
    Set(c, SQL_TYPE_TIMESTAMP, 19, 16, name.c_str());
  } else if (base == "nchar") {
    Set(c, SQL_WCHAR, lengthOr(1), 2 * lengthOr(1), "nchar");
  } else if (base == "nvarchar") {
    if (isMax) Set(c, SQL_WLONGVARCHAR, kUnbounded, kUnbounded, "nvarchar");
    else Set(c, SQL_WVARCHAR, lengthOr(255), 2 * lengthOr(255), "nvarchar");
  } else if (base == "ntext") {
    Set(c, SQL_WLONGVARCHAR, kUnbounded, kUnbounded, "ntext");
  } else if (base == "char" || base == "character") {
    Set(c, SQL_CHAR, lengthOr(1), lengthOr(1), "char");
  } else if (has("varchar")) {
    if (isMax) Set(c, SQL_LONGVARCHAR, kUnbounded, kUnbounded, "varchar");
    else Set(c, SQL_VARCHAR, lengthOr(255), lengthOr(255), "varchar");
  } else if (has("text") || has("clob")) {
    Set(c, SQL_LONGVARCHAR, kUnbounded, kUnbounded, "text");
  } else if (base == "binary") {
    Set(c, SQL_BINARY, lengthOr(1), lengthOr(1), "binary");
  } else if (base == "varbinary") {
    if (isMax) Set(c, SQL_LONGVARBINARY, kUnbounded, kUnbounded, "varbinary");
    else Set(c, SQL_VARBINARY, lengthOr(255), lengthOr(255), "varbinary");
  } else if (has("blob") || base == "image") {
    Set(c, SQL_LONGVARBINARY, kUnbounded, kUnbounded, base == "image" ? "image" : "blob");
  } else {
    Set(c, SQL_VARCHAR, lengthOr(255), lengthOr(255), name.c_str());
  }
}

void DescribeFromValue(const Value& value, ColumnInfo& c) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    if (*i >= INT32_MIN && *i <= INT32_MAX) DescribeDeclaredType("int", c);
    else DescribeDeclaredType("bigint", c);
  } else if (std::holds_alternative<double>(value)) {
    DescribeDeclaredType("float", c);
  } else if (const auto* b = std::get_if<Blob>(&value)) {
    DescribeDeclaredType(b->bytes.size() > 8000 ? "varbinary(max)" : "varbinary(8000)", c);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    DescribeDeclaredType(s->size() > 8000 ? "varchar(max)" : "varchar(8000)", c);
  } else {
    DescribeDeclaredType("varchar(255)", c);
  }
}

SQLSMALLINT DefaultCType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BIT: return SQL_C_BIT;
    case SQL_TINYINT: return SQL_C_UTINYINT;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_TYPE_TIME: return SQL_C_TYPE_TIME;
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    default: return SQL_C_CHAR;
  }
}

bool IsCharacterType(SQLSMALLINT t) {
  return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR || t == SQL_WCHAR ||
         t == SQL_WVARCHAR || t == SQL_WLONGVARCHAR;
}

bool IsBinaryType(SQLSMALLINT t) { return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY; }

namespace {

ColumnInfo Column(std::string name, const std::string& declared, SQLSMALLINT nullable) {
  ColumnInfo c;
  c.name = std::move(name);
  DescribeDeclaredType(declared, c);
  c.nullable = nullable;
  return c;
}

}  // namespace

ColumnInfo TextColumn(std::string name, SQLULEN size, SQLSMALLINT nullable) {
  return Column(std::move(name), "varchar(" + std::to_string(size) + ")", nullable);
}

ColumnInfo SmallIntColumn(std::string name, SQLSMALLINT nullable) {
  return Column(std::move(name), "smallint", nullable);
}

ColumnInfo IntegerColumn(std::string name, SQLSMALLINT nullable) { return Column(std::move(name), "int", nullable); }

}  // namespace orva::odbcengine
