#pragma once
// The "server": a folder of SQLite files, one per database. A Database is one
// SQLite connection whose main schema is the current database; other
// databases are attached under their own names when a statement names them.

#include <sqlite3.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "odbcengine/sqlite_connection.h"

namespace orva::testdriver {

using namespace orva::odbcengine;

// Names of the databases in a folder (files "<name>.db"), sorted.
std::vector<std::string> ListDatabases(const std::string& folder);
// The listed name matching name ignoring case, if there is one.
std::optional<std::string> FindDatabase(const std::string& folder, const std::string& name);
std::string DatabasePath(const std::string& folder, const std::string& name);
// A name usable as a file name and as a schema name.
bool IsValidDatabaseName(const std::string& name);

// The table that holds procedures and functions in every database.
inline constexpr const char* kRoutineTable = "orva_routines";

class Database : public SqliteConnection {
 public:
  // Opens <folder>/<name>.db. Raises DriverError when it cannot be opened.
  static std::shared_ptr<Database> Open(const std::string& folder, const std::string& name, bool create);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& Name() const { return m_name; }
  const std::string& Folder() const { return m_folder; }

  // Schema under which database is reached on this connection: "main" for the
  // current one, else its own name (attached on first use). Raises DriverError
  // for an unknown database.
  std::string SchemaFor(const std::string& database);
  // Canonical database name for a schema returned by SchemaFor.
  std::string DatabaseOfSchema(const std::string& schema) const;
  // Detaches a database if this connection attached it.
  void Forget(const std::string& database);
  // Refills temp.sysdatabases from the folder.
  void RefreshDatabaseList();
  // Name of the sysobjects view for a schema (created on first use).
  std::string SysObjectsView(const std::string& schema);

 private:
  Database(std::string folder, std::string name);
  static void SleepFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
  void Prepare();

  std::string m_folder;
  std::string m_name;
  std::mutex m_lock;  // guards the maps below
  std::map<std::string, std::string> m_attached;  // lower-case name -> schema
  std::map<std::string, std::string> m_sysObjectViews;  // schema -> view name
};

}  // namespace orva::testdriver
