#pragma once
// One SQLite connection that statements of an ODBC connection run on, and
// the cancel and timeout state of those statements.
//
// A cancel or timeout is seen by SQLite's progress handler (and by long
// functions that ask) for the one statement that is stepping at that moment;
// other statements open on the same connection are not disturbed.

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver_types.h"

namespace orva::odbcengine {

// Cancel and timeout state of one statement.
struct RunControl {
  std::atomic<bool> cancelRequested{false};
  std::atomic<bool> timedOut{false};
  std::chrono::steady_clock::time_point deadline{};  // epoch: none
  // Values of the parameter markers of the statements being run: each
  // statement of a batch takes the next ones in order.
  std::vector<Value> parameters;
  std::size_t nextParameter = 0;
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
  void Cancel() { cancelRequested = true; }
};

class SqliteConnection {
 public:
  SqliteConnection() = default;
  virtual ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* Handle() const { return m_db; }
  // The statement whose step SQLite is working on; nullptr when none.
  RunControl* ActiveRun() const { return m_activeRun.load(); }
  // Runs statements that return no rows; raises DriverError on failure.
  void Exec(const std::string& sql);

  // Code that SQLite calls back (functions, virtual tables) records the error
  // it fails with, so that the failed call reports it with its own SQLSTATE
  // and text instead of SQLite's summary.
  void RecordError(const DriverError& error);
  void ForgetRecordedError();
  // Raises the error of a failed call: the recorded one, else SQLite's.
  [[noreturn]] void ThrowError(int rc, RunControl* run = nullptr);

 protected:
  // Takes ownership of an open handle and installs the progress handler.
  void Adopt(sqlite3* db);

 private:
  friend class RunScope;
  static int OnProgress(void* self);

  sqlite3* m_db = nullptr;
  std::atomic<RunControl*> m_activeRun{nullptr};
  // Held while a statement steps, so that the active run is the one SQLite
  // works for (steps on one connection never overlap anyway).
  std::mutex m_stepLock;
  std::mutex m_errorLock;
  std::optional<DriverError> m_recorded;
};

// Marks a statement as the one stepping on a connection for as long as it
// lives, so that its cancel or timeout reaches SQLite.
class RunScope {
 public:
  RunScope(RunControl& run, const std::shared_ptr<SqliteConnection>& db);
  ~RunScope();
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  std::shared_ptr<SqliteConnection> m_db;
  std::lock_guard<std::mutex> m_guard;
};

// DriverError for a failed SQLite call, with a SQLSTATE chosen from the code
// and message.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, RunControl* run = nullptr);

}  // namespace orva::odbcengine
