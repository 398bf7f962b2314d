#pragma once
// Running the statements of a batch against the databases of a folder.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "database.h"
#include "driver_types.h"

namespace orva::testdriver {

// Rows of a result, produced one at a time.
class Cursor {
 public:
  virtual ~Cursor() = default;
  // Fills row and returns true, or returns false at the end. Raises DriverError.
  virtual bool Next(std::vector<Value>& row) = 0;
};

// Rows held in memory (catalogs and the server's own commands).
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

// The databases of one ODBC connection. Statements run one at a time on it
// (the connection's session lock) and use db directly; other threads read
// the current database through Current.
struct Session {
  std::string folder;
  std::shared_ptr<Database> db;  // the current database

  std::shared_ptr<Database> Current() const {
    std::lock_guard<std::mutex> guard(*dbLock);
    return db;
  }
  void Switch(std::shared_ptr<Database> next) {
    std::lock_guard<std::mutex> guard(*dbLock);
    db = std::move(next);
  }
  std::shared_ptr<std::mutex> dbLock = std::make_shared<std::mutex>();
};

// Runs one statement (a server command or SQL for SQLite). Raises DriverError.
Result RunStatement(Session& session, const std::string& statement, RunControl& run);

// Rows of a query on a connection with text parameters. Raises DriverError.
std::vector<std::vector<Value>> QueryRows(sqlite3* db, const std::string& sql,
                                          const std::vector<std::string>& params = {});

// A result made of in-memory rows.
Result TableResult(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);

// Schema of the database a catalog argument names (absent or empty: the
// current one); nullopt when there is no such database.
std::optional<std::string> CatalogSchema(Session& session, const std::optional<std::string>& catalog);

}  // namespace orva::testdriver
