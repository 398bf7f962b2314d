#pragma once
// What a connected ODBC connection works on: the driver's session, which runs
// statements and answers catalog questions, and the results it produces.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver_types.h"
#include "sqlite_connection.h"

namespace orva::odbcengine {

// Rows of a result, produced one at a time.
class Cursor {
 public:
  virtual ~Cursor() = default;
  // Fills row and returns true, or returns false at the end. Raises DriverError.
  virtual bool Next(std::vector<Value>& row) = 0;
};

// Rows held in memory (catalogs and commands a driver answers itself).
class TableCursor : public Cursor {
 public:
  explicit TableCursor(std::vector<std::vector<Value>> rows) : m_rows(std::move(rows)) {}
  bool Next(std::vector<Value>& row) override;

 private:
  std::vector<std::vector<Value>> m_rows;
  std::size_t m_next = 0;
};

// What one statement of a batch produced: a result set (columns and a
// cursor) or a row count.
struct Result {
  std::vector<ColumnInfo> columns;
  SQLLEN rowCount = -1;
  std::unique_ptr<Cursor> cursor;
};

// A result made of in-memory rows.
Result TableResult(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);

// Rows of a query on a connection with text parameters. Raises DriverError.
std::vector<std::vector<Value>> QueryRows(sqlite3* db, const std::string& sql,
                                          const std::vector<std::string>& params = {});

// Runs one SQL statement on SQLite: sql is what SQLite gets, statement what
// the application sent (its leading keyword decides whether a row count is
// reported). A statement with columns gives a cursor that steps as the
// application fetches. Raises DriverError.
Result RunSqlite(const std::shared_ptr<SqliteConnection>& db, const std::string& sql, const std::string& statement,
                 RunControl& run);

// A procedure or function for SQLProcedures.
struct CatalogRoutine {
  std::string name;
  bool isProcedure = true;
};

// The session of one connected ODBC connection. Statements run one at a time
// on it (the connection's session lock); CurrentCatalog may be called from
// any thread.
class DriverSession {
 public:
  virtual ~DriverSession() = default;

  // Runs one statement of a batch. Raises DriverError.
  virtual Result Run(const std::string& statement, RunControl& run) = 0;
  // The statements of a batch.
  virtual std::vector<std::string> Split(std::string_view batch) const;

  // The current catalog (database, or the folder of a file database).
  virtual std::string CurrentCatalog() const = 0;
  // Makes another catalog current (SQL_ATTR_CURRENT_CATALOG). Raises DriverError.
  virtual void UseCatalog(const std::string& name) = 0;

  // What the catalog functions read: the SQLite connection whose schemas hold
  // the tables, the names of all catalogs, the schema a catalog argument
  // names (absent or empty: the current one; nullopt: no such catalog), the
  // catalog a schema belongs to and the owner reported for every table.
  virtual sqlite3* CatalogHandle() = 0;
  virtual std::vector<std::string> CatalogNames() = 0;
  virtual std::optional<std::string> SchemaOfCatalog(const std::optional<std::string>& catalog) = 0;
  virtual std::string CatalogOfSchema(const std::string& schema) = 0;
  virtual std::optional<std::string> OwnerName() const = 0;
  // Tables of a schema that are the driver's own and never listed.
  virtual bool IsHiddenTable(const std::string& name) const { return false; }
  virtual std::vector<CatalogRoutine> Routines(const std::string& schema) { return {}; }

  // Manual commit: BeginTransaction opens a transaction on the session's
  // SQLite connection unless one is open; EndTransaction commits or rolls
  // back the open one (nothing when none is open). A commit that fails rolls
  // back, so that the session never stays in a half-written transaction.
  // Raise DriverError.
  virtual void BeginTransaction();
  virtual void EndTransaction(bool commit);
  bool InTransaction() { return sqlite3_get_autocommit(CatalogHandle()) == 0; }
};

}  // namespace orva::odbcengine
