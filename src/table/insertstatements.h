#pragma once
// INSERT statements made from rows of the table window: one statement per
// row, every value written so that the statement runs as generated — texts,
// dates and binary values as quoted literals with apostrophes doubled,
// numbers unquoted, NULL for NULL.

#include <sql.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// One value as it stands in the VALUES list; nothing is NULL.
std::string RenderInsertValue(SQLSMALLINT sqlType, const std::optional<std::string>& value);

// "INSERT INTO table(a, b) VALUES (...);" and CR LF. Table and column names
// are given as they must be written (already quoted where needed).
std::string BuildInsertStatement(std::string_view table, const std::vector<std::string>& columns,
                                 const std::vector<SQLSMALLINT>& types,
                                 const std::vector<std::optional<std::string>>& values);

}  // namespace orva
