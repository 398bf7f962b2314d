#pragma once
// The catalog functions: tables, columns, primary keys and procedures of a
// database, with the column names of the application's ODBC version.

#include <optional>
#include <string>

#include "session.h"

namespace orva::testdriver {

using OptText = std::optional<std::string>;

Result CatalogTables(Session& session, const OptText& catalog, const OptText& owner, const OptText& table,
                     const OptText& types, int odbcVersion);
Result CatalogColumns(Session& session, const OptText& catalog, const OptText& owner, const OptText& table,
                      const OptText& column, int odbcVersion);
Result CatalogPrimaryKeys(Session& session, const OptText& catalog, const OptText& owner, const std::string& table,
                          int odbcVersion);
Result CatalogProcedures(Session& session, const OptText& catalog, const OptText& owner, const OptText& procedure,
                         int odbcVersion);

}  // namespace orva::testdriver
