#pragma once
// The catalog functions: tables, columns, primary keys and procedures of a
// database, with the column names of the application's ODBC version.

#include <optional>
#include <string>

#include "session.h"

namespace orva::odbcengine {

using OptText = std::optional<std::string>;

Result CatalogTables(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& table,
                     const OptText& types, int odbcVersion);
Result CatalogColumns(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& table,
                      const OptText& column, int odbcVersion);
Result CatalogPrimaryKeys(DriverSession& session, const OptText& catalog, const OptText& owner, const std::string& table,
                          int odbcVersion);
// Columns that identify a row: none, the tables have no row identifiers a
// statement could use.
Result CatalogSpecialColumns(int odbcVersion);
Result CatalogProcedures(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& procedure,
                         int odbcVersion);

}  // namespace orva::odbcengine
