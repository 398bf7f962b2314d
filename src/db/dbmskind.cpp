#include "db/dbmskind.h"

#include <strings.h>

#include <string>

namespace orva {
namespace {
struct KnownProduct {
  const char* name;
  DbmsKind kind;
};

constexpr KnownProduct kProducts[] = {
    {"Text", DbmsText},
    {"Microsoft SQL Server", DbmsMsSqlServer},
    {"Sybase SQL Anywhere", DbmsSybaseSqlAnywhere},
    {"Adaptive Server Anywhere", DbmsAdaptiveServerAnywhere},
    {"SQL Server", DbmsSqlServer},
    {"Oracle", DbmsOracle},
    {"Visual FoxPro", DbmsVisualFoxPro},
    {"Access", DbmsAccess},
    {"IBM DB2", DbmsDb2},
};
}  // namespace

DbmsKind DbmsKindFromName(std::string_view dbmsName) {
  const std::string name(dbmsName);
  for (const KnownProduct& product : kProducts)
    if (strcasecmp(name.c_str(), product.name) == 0) return product.kind;
  return DbmsOther;
}

}  // namespace orva
