#pragma once
// The test driver's session: the databases of one folder, one of them
// current, with the server commands the driver answers itself.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "connect_options.h"
#include "database.h"
#include "odbcengine/session.h"
#include "server_sql.h"

namespace orva::testdriver {

class ServerSession : public DriverSession {
 public:
  ServerSession(ServerOptions options, std::shared_ptr<Database> db) : m_options(std::move(options)), m_db(std::move(db)) {}

  const ServerOptions& Options() const { return m_options; }
  // The current database (any thread).
  std::shared_ptr<Database> Current() const {
    std::lock_guard<std::mutex> guard(m_dbLock);
    return m_db;
  }

  Result Run(const std::string& statement, RunControl& run) override;
  std::string CurrentCatalog() const override { return Current()->Name(); }
  void UseCatalog(const std::string& name) override;

  sqlite3* CatalogHandle() override { return m_db->Handle(); }
  std::vector<std::string> CatalogNames() override { return ListDatabases(m_options.folder); }
  std::optional<std::string> SchemaOfCatalog(const std::optional<std::string>& catalog) override;
  std::string CatalogOfSchema(const std::string& schema) override { return m_db->DatabaseOfSchema(schema); }
  std::optional<std::string> OwnerName() const override { return std::string("dbo"); }
  bool IsHiddenTable(const std::string& name) const override { return name == kRoutineTable; }
  std::vector<CatalogRoutine> Routines(const std::string& schema) override;

 private:
  void Switch(std::shared_ptr<Database> next) {
    std::lock_guard<std::mutex> guard(m_dbLock);
    m_db = std::move(next);
  }
  Result RunSql(const std::string& statement, RunControl& run);
  std::string SchemaOf(const ObjectName& object);
  Result HelpText(const ObjectName& object);
  Result UseDatabase(const ObjectName& object);
  Result CreateDatabase(const ObjectName& object);
  Result DropDatabase(const ObjectName& object);
  Result CreateRoutine(const Command& command, const std::string& statement);
  Result DropRoutine(const Command& command);

  ServerOptions m_options;
  // Statements use m_db on the thread that holds the connection's session
  // lock; other threads read it through Current.
  std::shared_ptr<Database> m_db;
  mutable std::mutex m_dbLock;
};

}  // namespace orva::testdriver
