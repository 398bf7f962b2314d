#include "sqlite_connection.h"

#include "driver_types.h"

namespace orva::odbcengine {

SqliteConnection::~SqliteConnection() {
  if (m_db) sqlite3_close_v2(m_db);
}

void SqliteConnection::Adopt(sqlite3* db) {
  m_db = db;
  sqlite3_extended_result_codes(m_db, 1);
  sqlite3_progress_handler(m_db, 1000, &SqliteConnection::OnProgress, this);
}

int SqliteConnection::OnProgress(void* self) {
  RunControl* run = static_cast<SqliteConnection*>(self)->m_activeRun.load();
  return run && run->ShouldStop() ? 1 : 0;
}

void SqliteConnection::Exec(const std::string& sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) ThrowError(rc);
}

void SqliteConnection::RecordError(const DriverError& error) {
  std::lock_guard<std::mutex> guard(m_errorLock);
  m_recorded = error;
}

void SqliteConnection::ForgetRecordedError() {
  std::lock_guard<std::mutex> guard(m_errorLock);
  m_recorded.reset();
}

void SqliteConnection::ThrowError(int rc, RunControl* run) {
  std::optional<DriverError> recorded;
  {
    std::lock_guard<std::mutex> guard(m_errorLock);
    recorded.swap(m_recorded);
  }
  // A cancel or timeout wins over what the interrupted code recorded.
  if (recorded && (rc & 0xff) != SQLITE_INTERRUPT) throw *recorded;
  ThrowSqliteError(m_db, rc, run);
}

RunScope::RunScope(RunControl& run, const std::shared_ptr<SqliteConnection>& db)
    : m_db(db), m_guard(db->m_stepLock) {
  m_db->m_activeRun.store(&run);
}

RunScope::~RunScope() { m_db->m_activeRun.store(nullptr); }

void ThrowSqliteError(sqlite3* db, int rc, RunControl* run) {
  const int primary = rc & 0xff;
  std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  std::string state = "HY000";
  if (primary == SQLITE_INTERRUPT) {
    if (run && run->timedOut) throw DriverError("HYT00", std::string(MessagePrefix()) + "Query timeout expired", rc);
    throw DriverError("HY008", std::string(MessagePrefix()) + "Operation canceled", rc);
  }
  if (primary == SQLITE_CONSTRAINT) state = "23000";
  else if (text.find("no such table") != std::string::npos) state = "42S02";
  else if (text.find("no such column") != std::string::npos) state = "42S22";
  else if (text.find("already exists") != std::string::npos) state = "42S01";
  else if (text.find("syntax error") != std::string::npos || text.find("incomplete input") != std::string::npos ||
           text.find("unrecognized token") != std::string::npos)
    state = "42000";
  else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) state = "HYT00";
  throw DriverError(state, std::string(MessagePrefix()) + "[SQLite]" + text, rc);
}

}  // namespace orva::odbcengine
