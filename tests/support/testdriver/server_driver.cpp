// The test driver: a folder of SQLite files presented as a server with
// several databases.

#include <sys/stat.h>

#include "connect_options.h"
#include "odbcengine/driver.h"
#include "odbcengine/handles.h"
#include "odbcengine/sql_text.h"
#include "session.h"

namespace orva::testdriver {
namespace {

class TestDriver : public Driver {
 public:
  const char* MessagePrefix() const override { return "[ORVA][ORVA Test Driver]"; }

  // The database asked for must exist, except master, which every server has
  // and which is created when missing.
  std::unique_ptr<DriverSession> Connect(Dbc& dbc, std::map<std::string, std::string> pairs) override {
    ConnectOptions generic;
    ServerOptions options = ResolveOptions(std::move(pairs), generic);
    if (options.folder.empty()) throw Fail("08001", "Client unable to establish connection: no FOLDER given.");
    struct stat st{};
    if (stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      throw Fail("08001", "Client unable to establish connection: folder \"" + options.folder + "\" does not exist.");
    if (!dbc.requestedCatalog.empty()) options.database = dbc.requestedCatalog;
    auto canonical = FindDatabase(options.folder, options.database);
    const bool createMaster = !canonical && EqualsNoCase(options.database, "master");
    if (!canonical && !createMaster)
      throw Fail("08004",
                 "Cannot open database \"" + options.database + "\" requested by the login. The login failed.", 4060);
    auto db = Database::Open(options.folder, createMaster ? "master" : *canonical, createMaster);
    dbc.options = std::move(generic);
    return std::make_unique<ServerSession>(std::move(options), std::move(db));
  }

  std::optional<InfoValue> Info(const Dbc& dbc, SQLUSMALLINT type) const override {
    const auto* session = static_cast<const ServerSession*>(dbc.session.get());
    const ServerOptions none;
    const ServerOptions& o = session ? session->Options() : none;
    switch (type) {
      case SQL_DBMS_NAME: return o.dbms;
      case SQL_DBMS_VER: return std::string("16.00.0000");
      case SQL_DRIVER_NAME: return std::string("liborva_testdriver.so");
      case SQL_SERVER_NAME: return o.folder;
      case SQL_USER_NAME: return dbc.options.user.empty() ? std::string("dbo") : dbc.options.user;
      case SQL_MULT_RESULT_SETS: return std::string(o.multipleResults ? "Y" : "N");
      case SQL_BATCH_SUPPORT:
        return static_cast<SQLUINTEGER>(o.multipleResults ? SQL_BS_SELECT_EXPLICIT | SQL_BS_ROW_COUNT_EXPLICIT : 0);
      case SQL_BATCH_ROW_COUNT: return static_cast<SQLUINTEGER>(o.multipleResults ? SQL_BRC_EXPLICIT : 0);
      default: return std::nullopt;
    }
  }
};

}  // namespace
}  // namespace orva::testdriver

namespace orva::odbcengine {

Driver& ThisDriver() {
  static orva::testdriver::TestDriver driver;
  return driver;
}

}  // namespace orva::odbcengine
