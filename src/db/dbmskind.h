#pragma once
// The database product, recognised from the DBMS name the driver reports.

#include <cstdint>
#include <string_view>

namespace orva {

enum DbmsKind : std::uint8_t {
  DbmsOther = 0,
  DbmsText = 1,
  DbmsMsSqlServer = 2,
  DbmsSybaseSqlAnywhere = 3,
  DbmsAdaptiveServerAnywhere = 4,
  DbmsSqlServer = 5,
  DbmsOracle = 6,
  DbmsVisualFoxPro = 7,
  DbmsAccess = 8,
  DbmsDb2 = 9,
};

// Compares the whole name, ignoring letter case, with the known product names
// in a fixed order; the first match wins, no match gives DbmsOther.
DbmsKind DbmsKindFromName(std::string_view dbmsName);

// Products with several databases per server that understand "use <name>".
inline bool KindHasDatabases(DbmsKind kind) { return kind >= DbmsMsSqlServer && kind <= DbmsSqlServer; }

}  // namespace orva
