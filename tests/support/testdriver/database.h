#pragma once
// The "server": a folder of SQLite files, one per database. A Database is one
// SQLite connection whose main schema is the current database; other
// databases are attached under their own names when a statement names them.

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orva::testdriver {

// Names of the databases in a folder (files "<name>.db"), sorted.
std::vector<std::string> ListDatabases(const std::string& folder);
// The listed name matching name ignoring case, if there is one.
std::optional<std::string> FindDatabase(const std::string& folder, const std::string& name);
std::string DatabasePath(const std::string& folder, const std::string& name);
// A name usable as a file name and as a schema name.
bool IsValidDatabaseName(const std::string& name);

// The table that holds procedures and functions in every database.
inline constexpr const char* kRoutineTable = "orva_routines";

class Database;

// Cancel and timeout state of one statement, shared with its connection while
// the statement runs.
struct RunControl {
  std::atomic<bool> cancelRequested{false};
  std::atomic<bool> timedOut{false};
  std::chrono::steady_clock::time_point deadline{};  // epoch: none
  // Whether the statement should stop now (checked while SQLite works).
  bool ShouldStop() {
    if (cancelRequested.load()) return true;
    if (deadline.time_since_epoch().count() != 0 && std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
      return true;
    }
    return false;
  }
  // Asks the running statement to stop (called from any thread).
  void Cancel();

  std::mutex lock;                 // guards running
  std::shared_ptr<Database> running;  // connection SQLite works on for this statement
};

class Database {
 public:
  // Opens <folder>/<name>.db. Raises DriverError when it cannot be opened.
  static std::shared_ptr<Database> Open(const std::string& folder, const std::string& name, bool create);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* Handle() const { return m_db; }
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

  // The statement whose run SQLite is working for; nullptr when none.
  void SetActiveRun(RunControl* run) { m_activeRun.store(run); }
  // Stops whatever SQLite is doing on this connection.
  void Interrupt() { sqlite3_interrupt(m_db); }

  // Runs statements that return no rows; raises DriverError on failure.
  void Exec(const std::string& sql);

 private:
  Database(std::string folder, std::string name);
  static int OnProgress(void* self);
  static void SleepFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
  void Prepare();

  std::string m_folder;
  std::string m_name;
  sqlite3* m_db = nullptr;
  std::atomic<RunControl*> m_activeRun{nullptr};
  std::mutex m_lock;  // guards the maps below
  std::map<std::string, std::string> m_attached;  // lower-case name -> schema
  std::map<std::string, std::string> m_sysObjectViews;  // schema -> view name
};

// Marks a statement as running on a connection for as long as it lives, so
// that a cancel or timeout reaches SQLite.
class RunScope {
 public:
  RunScope(RunControl& run, const std::shared_ptr<Database>& db);
  ~RunScope();
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  RunControl& m_run;
  std::shared_ptr<Database> m_db;
};

// DriverError for a failed SQLite call, with a SQLSTATE chosen from the code
// and message.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, RunControl* run = nullptr);

}  // namespace orva::testdriver
