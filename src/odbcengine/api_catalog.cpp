// ODBC catalog entry points: SQLTables, SQLColumns, SQLPrimaryKeys and
// SQLProcedures.

#include "catalogs.h"
#include "handles.h"
#include "statement_state.h"

using namespace orva::odbcengine;

namespace {

template <typename Build>
SQLRETURN Catalog(SQLHSTMT h, SQLUSMALLINT function, Build&& build) {
  return StmtCall(h, function, [&](Stmt& stmt) {
    // The arguments are read before the results change.
    return OpenCatalog(stmt, build(stmt.dbc->OdbcVersion()));
  });
}

}  // namespace

ORVA_DRIVER_API SQLRETURN SQLTables(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* owner,
                                    SQLSMALLINT ownerLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* types,
                                    SQLSMALLINT typesLength) {
  return Catalog(h, SQL_API_SQLTABLES, [&](int version) {
    return [c = InputText(catalog, catalogLength), o = InputText(owner, ownerLength),
            t = InputText(table, tableLength), y = InputText(types, typesLength), version](DriverSession& s) {
      return CatalogTables(s, c, o, t, y, version);
    };
  });
}

ORVA_DRIVER_API SQLRETURN SQLColumns(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* owner,
                                     SQLSMALLINT ownerLength, SQLCHAR* table, SQLSMALLINT tableLength,
                                     SQLCHAR* column, SQLSMALLINT columnLength) {
  return Catalog(h, SQL_API_SQLCOLUMNS, [&](int version) {
    return [c = InputText(catalog, catalogLength), o = InputText(owner, ownerLength),
            t = InputText(table, tableLength), n = InputText(column, columnLength), version](DriverSession& s) {
      return CatalogColumns(s, c, o, t, n, version);
    };
  });
}

ORVA_DRIVER_API SQLRETURN SQLPrimaryKeys(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* owner,
                                         SQLSMALLINT ownerLength, SQLCHAR* table, SQLSMALLINT tableLength) {
  return Catalog(h, SQL_API_SQLPRIMARYKEYS, [&](int version) {
    auto t = InputText(table, tableLength);
    if (!t) throw Fail("HY009", "Invalid use of null pointer.");
    return [c = InputText(catalog, catalogLength), o = InputText(owner, ownerLength), t = *t, version](DriverSession& s) {
      return CatalogPrimaryKeys(s, c, o, t, version);
    };
  });
}

ORVA_DRIVER_API SQLRETURN SQLProcedures(SQLHSTMT h, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* owner,
                                        SQLSMALLINT ownerLength, SQLCHAR* procedure, SQLSMALLINT procedureLength) {
  return Catalog(h, SQL_API_SQLPROCEDURES, [&](int version) {
    return [c = InputText(catalog, catalogLength), o = InputText(owner, ownerLength),
            p = InputText(procedure, procedureLength), version](DriverSession& s) {
      return CatalogProcedures(s, c, o, p, version);
    };
  });
}

ORVA_DRIVER_API SQLRETURN SQLSpecialColumns(SQLHSTMT h, SQLUSMALLINT identifierType, SQLCHAR* catalog,
                                            SQLSMALLINT catalogLength, SQLCHAR* owner, SQLSMALLINT ownerLength,
                                            SQLCHAR* table, SQLSMALLINT tableLength, SQLUSMALLINT scope,
                                            SQLUSMALLINT nullable) {
  return Catalog(h, SQL_API_SQLSPECIALCOLUMNS, [&](int version) {
    if (identifierType != SQL_BEST_ROWID && identifierType != SQL_ROWVER)
      throw Fail("HY097", "Column type out of range.");
    if (scope != SQL_SCOPE_CURROW && scope != SQL_SCOPE_TRANSACTION && scope != SQL_SCOPE_SESSION)
      throw Fail("HY098", "Scope type out of range.");
    if (nullable != SQL_NO_NULLS && nullable != SQL_NULLABLE) throw Fail("HY099", "Nullable type out of range.");
    auto t = InputText(table, tableLength);
    if (!t) throw Fail("HY009", "Invalid use of null pointer.");
    return [c = InputText(catalog, catalogLength), o = InputText(owner, ownerLength), t = *t, identifierType,
            version](DriverSession& s) { return CatalogSpecialColumns(s, c, o, t, identifierType, version); };
  });
}
