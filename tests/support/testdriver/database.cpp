#include "database.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <thread>

#include "odbcengine/driver_types.h"
#include "odbcengine/sql_text.h"

namespace orva::testdriver {
namespace {

constexpr const char* kSuffix = ".db";

std::string SysObjectsSelect(const std::string& schema) {
  const std::string s = QuoteIdentifier(schema);
  return "SELECT name, CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type FROM " + s +
         ".sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
         "AND name <> '" + kRoutineTable + "' UNION ALL SELECT name, type FROM " + s + "." + kRoutineTable;
}

std::string RoutineTableDdl(const std::string& schema) {
  return "CREATE TABLE IF NOT EXISTS " + QuoteIdentifier(schema) + "." + kRoutineTable +
         "(name TEXT PRIMARY KEY COLLATE NOCASE, type TEXT NOT NULL, definition TEXT NOT NULL)";
}

}  // namespace

std::vector<std::string> ListDatabases(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    std::string file = entry->d_name;
    if (file.size() <= 3 || !file.ends_with(kSuffix)) continue;
    std::string name = file.substr(0, file.size() - 3);
    if (IsValidDatabaseName(name)) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> FindDatabase(const std::string& folder, const std::string& name) {
  for (const std::string& candidate : ListDatabases(folder))
    if (EqualsNoCase(candidate, name)) return candidate;
  return std::nullopt;
}

std::string DatabasePath(const std::string& folder, const std::string& name) {
  return folder + "/" + name + kSuffix;
}

bool IsValidDatabaseName(const std::string& name) {
  if (name.empty() || name.size() > 128 || name[0] == '.') return false;
  if (EqualsNoCase(name, "main") || EqualsNoCase(name, "temp")) return false;
  return std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0' || c == '\\'; });
}

Database::Database(std::string folder, std::string name) : m_folder(std::move(folder)), m_name(std::move(name)) {}

Database::~Database() = default;

std::shared_ptr<Database> Database::Open(const std::string& folder, const std::string& name, bool create) {
  std::shared_ptr<Database> db(new Database(folder, name));
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  sqlite3* handle = nullptr;
  const int rc = sqlite3_open_v2(DatabasePath(folder, name).c_str(), &handle, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string text = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close_v2(handle);
    throw DriverError("08004", std::string(MessagePrefix()) + "Cannot open database \"" + name +
                                   "\" requested by the login. The login failed. (" + text + ")",
                      4060);
  }
  db->Adopt(handle);
  db->Prepare();
  return db;
}

void Database::Prepare() {
  sqlite3_busy_timeout(Handle(), 5000);
  sqlite3_create_function(Handle(), "sleep", 1, SQLITE_UTF8, this, &Database::SleepFunction, nullptr, nullptr);
  Exec(RoutineTableDdl("main"));
  Exec("CREATE TEMP TABLE sysdatabases(name TEXT, dbid INTEGER)");
  Exec("CREATE TEMP VIEW sysobjects AS " + SysObjectsSelect("main"));
  m_sysObjectViews["main"] = "sysobjects";
}

// sleep(seconds): a statement that runs as long as a test wants, ended early
// by a cancel or a timeout. Returns the number of seconds slept.
void Database::SleepFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* self = static_cast<Database*>(sqlite3_user_data(ctx));
  const double seconds = sqlite3_value_double(argv[0]);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds > 0 ? seconds : 0);
  while (std::chrono::steady_clock::now() < end) {
    RunControl* run = self->ActiveRun();
    if (run && run->ShouldStop()) {
      sqlite3_result_error_code(ctx, SQLITE_INTERRUPT);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  sqlite3_result_double(ctx, seconds);
}

std::string Database::SchemaFor(const std::string& database) {
  if (EqualsNoCase(database, m_name)) return "main";
  std::lock_guard<std::mutex> guard(m_lock);
  const std::string key = ToLowerAscii(database);
  if (auto it = m_attached.find(key); it != m_attached.end()) return it->second;
  auto canonical = FindDatabase(m_folder, database);
  if (!canonical)
    throw DriverError("08004", std::string(MessagePrefix()) + "Database '" + database +
                                   "' does not exist. Make sure that the name is entered correctly.",
                      911);
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(Handle(), "ATTACH DATABASE ? AS ?", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    const std::string path = DatabasePath(m_folder, *canonical);
    sqlite3_bind_text(stmt, 1, path.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, canonical->c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  if (rc != SQLITE_OK) ThrowSqliteError(Handle(), rc);
  m_attached[key] = *canonical;
  Exec(RoutineTableDdl(*canonical));
  return *canonical;
}

std::string Database::DatabaseOfSchema(const std::string& schema) const { return schema == "main" ? m_name : schema; }

void Database::Forget(const std::string& database) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_attached.find(ToLowerAscii(database));
  if (it == m_attached.end()) return;
  const std::string schema = it->second;
  if (auto view = m_sysObjectViews.find(schema); view != m_sysObjectViews.end()) {
    sqlite3_exec(Handle(), ("DROP VIEW IF EXISTS temp." + QuoteIdentifier(view->second)).c_str(), nullptr, nullptr, nullptr);
    m_sysObjectViews.erase(view);
  }
  sqlite3_exec(Handle(), ("DETACH DATABASE " + QuoteIdentifier(schema)).c_str(), nullptr, nullptr, nullptr);
  m_attached.erase(it);
}

void Database::RefreshDatabaseList() {
  Exec("DELETE FROM temp.sysdatabases");
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(Handle(), "INSERT INTO temp.sysdatabases(name, dbid) VALUES (?, ?)", -1, &stmt, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(Handle(), rc);
  int id = 0;
  for (const std::string& name : ListDatabases(m_folder)) {
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 2, ++id);
    rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
      sqlite3_finalize(stmt);
      ThrowSqliteError(Handle(), rc);
    }
  }
  sqlite3_finalize(stmt);
}

std::string Database::SysObjectsView(const std::string& schema) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (auto it = m_sysObjectViews.find(schema); it != m_sysObjectViews.end()) return it->second;
  const std::string view = "sysobjects_" + schema;
  Exec("CREATE TEMP VIEW IF NOT EXISTS " + QuoteIdentifier(view) + " AS " + SysObjectsSelect(schema));
  m_sysObjectViews[schema] = view;
  return view;
}

}  // namespace orva::testdriver
