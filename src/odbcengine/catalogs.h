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
// Columns that identify a row of a table (SQL_BEST_ROWID): its INTEGER
// PRIMARY KEY, else SQLite's rowid as a pseudo column, else (tables without
// rowid) the primary key. Virtual tables (files) and views have none, nor
// does any table have a row version column.
Result CatalogSpecialColumns(DriverSession& session, const OptText& catalog, const OptText& owner,
                             const std::string& table, SQLUSMALLINT identifierType, int odbcVersion);
Result CatalogProcedures(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& procedure,
                         int odbcVersion);

}  // namespace orva::odbcengine
