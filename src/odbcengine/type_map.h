#pragma once
// How declared SQLite column types and stored values appear as ODBC types.

#include <string_view>

#include "driver_types.h"

namespace orva::odbcengine {

// Fills type, size, scale, lengths and type name from a declared type such as
// "varchar(20)", "decimal(5,2)", "datetime" or "nvarchar(max)".
void DescribeDeclaredType(std::string_view declared, ColumnInfo& column);

// For a column without a declared type (an expression): from its first value.
void DescribeFromValue(const Value& value, ColumnInfo& column);

// The C type SQL_C_DEFAULT means for a SQL type.
SQLSMALLINT DefaultCType(SQLSMALLINT sqlType);

bool IsCharacterType(SQLSMALLINT sqlType);
bool IsBinaryType(SQLSMALLINT sqlType);

// Describes an in-memory result column of a catalog or server command.
ColumnInfo TextColumn(std::string name, SQLULEN size = 128, SQLSMALLINT nullable = SQL_NULLABLE);
ColumnInfo SmallIntColumn(std::string name, SQLSMALLINT nullable = SQL_NULLABLE);
ColumnInfo IntegerColumn(std::string name, SQLSMALLINT nullable = SQL_NULLABLE);

}  // namespace orva::odbcengine
