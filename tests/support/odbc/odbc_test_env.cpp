#include "odbc_test_env.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>

namespace orva::test {
namespace {

namespace fs = std::filesystem;

// The private folder; removed when the process ends.
struct PrivateFolder {
  std::string path;
  PrivateFolder() {
    char pattern[] = "/tmp/orva-odbc.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary ODBC folder");
    path = pattern;
  }
  ~PrivateFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

PrivateFolder& Folder() {
  static PrivateFolder folder;
  return folder;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void WriteDriver(std::ofstream& out, const char* name, const char* library) {
  std::optional<std::string> path = FindDriverLibrary(library);
  if (!path) return;
  out << "[" << name << "]\nDescription=" << name << "\nDriver=" << *path << "\n\n";
}

}  // namespace

std::optional<std::string> FindDriverLibrary(std::string_view fileName) {
  std::vector<std::string> folders;
  if (!Env("ORVA_ODBC_DRIVER_DIR").empty()) folders.push_back(Env("ORVA_ODBC_DRIVER_DIR"));
  for (const char* folder : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                             "/usr/lib/x86_64-linux-gnu", "/usr/lib/aarch64-linux-gnu", "/usr/lib64/odbc",
                             "/usr/lib64", "/usr/lib/odbc", "/usr/lib", "/usr/local/lib/odbc", "/usr/local/lib"})
    folders.emplace_back(folder);
  for (const std::string& folder : folders) {
    fs::path candidate = fs::path(folder) / std::string(fileName);
    std::error_code ec;
    if (fs::exists(candidate, ec)) return candidate.string();
  }
  return std::nullopt;
}

const std::string& RegisterTestDrivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    const std::string& dir = Folder().path;
    {
      std::ofstream out(dir + "/odbcinst.ini");
      WriteDriver(out, "SQLite3", "libsqlite3odbc.so");
      WriteDriver(out, "PostgreSQL ANSI", "psqlodbca.so");
      WriteDriver(out, "PostgreSQL Unicode", "psqlodbcw.so");
#ifdef ORVA_FILEDRIVER_LIBRARY
      // ORVA's own file driver under the names the file-database connection
      // strings use.
      for (const char* name : {kTextDriverName, kDBaseDriverName, kExcelDriverName})
        out << "[" << name << "]\nDescription=" << name << "\nDriver=" << ORVA_FILEDRIVER_LIBRARY
            << "\nThreading=0\n\n";
#endif
    }
    {
      std::ofstream out(dir + "/odbc.ini");
      out << "[" << kSqliteDsn << "]\nDriver=SQLite3\nDatabase=" << dir << "/dsn.db\n\n";
      if (PostgresConfigured())
        out << "[" << kPostgresDsn << "]\nDriver=PostgreSQL ANSI\nServername=" << Env("ORVA_PG_SOCKET_DIR")
            << "\nPort=" << Env("ORVA_PG_PORT") << "\nDatabase=" << Env("ORVA_PG_DATABASE")
            << "\nUsername=" << Env("ORVA_PG_USER") << "\n\n";
    }
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  });
  return Folder().path;
}

std::string NewSqliteFile() {
  static std::atomic<int> counter{0};
  return Folder().path + "/db" + std::to_string(++counter) + ".sqlite";
}

std::string SqliteConnectString(const std::string& file) { return "DRIVER={SQLite3};Database=" + file + ";"; }

bool PostgresConfigured() {
  return !Env("ORVA_PG_SOCKET_DIR").empty() && !Env("ORVA_PG_PORT").empty() && !Env("ORVA_PG_USER").empty() &&
         !Env("ORVA_PG_DATABASE").empty();
}

std::string PostgresConnectString(std::string_view driver) {
  return "DRIVER={" + std::string(driver) + "};Servername=" + Env("ORVA_PG_SOCKET_DIR") +
         ";Port=" + Env("ORVA_PG_PORT") + ";Database=" + Env("ORVA_PG_DATABASE") + ";UID=" + Env("ORVA_PG_USER") +
         ";";
}

std::string UniqueName(std::string_view prefix) {
  static std::atomic<int> counter{0};
  return std::string(prefix) + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

const std::vector<TestDatabase>& TestDatabases() {
  static const std::vector<TestDatabase> databases = [] {
    std::vector<TestDatabase> list;

    TestDatabase sqlite;
    sqlite.name = "SQLite";
    sqlite.family = "SQLite";
    sqlite.unavailableReason = [] {
      return FindDriverLibrary("libsqlite3odbc.so") ? std::string() : "SQLite3 ODBC driver not installed";
    };
    sqlite.connectString = [] { return SqliteConnectString(NewSqliteFile()); };
    sqlite.binaryType = "BLOB";
    sqlite.blobType = "BLOB";
    sqlite.longTextType = "TEXT";
    sqlite.timestampType = "TIMESTAMP";
    sqlite.binaryLiteralPrefix = "X'";
    sqlite.binaryLiteralSuffix = "'";
    list.push_back(sqlite);

    TestDatabase pg;
    pg.name = "PostgreSQL";
    pg.family = "PostgreSQL";
    pg.unavailableReason = [] {
      if (!PostgresConfigured()) return std::string("ORVA_PG_* not set: no PostgreSQL test server running");
      return FindDriverLibrary("psqlodbca.so") ? std::string() : "PostgreSQL ODBC driver not installed";
    };
    pg.connectString = [] { return PostgresConnectString("PostgreSQL ANSI"); };
    pg.binaryType = "BYTEA";
    pg.blobType = "BYTEA";
    pg.longTextType = "TEXT";
    pg.timestampType = "TIMESTAMP";
    pg.binaryLiteralPrefix = "'\\x";
    pg.binaryLiteralSuffix = "'::bytea";
    pg.sleepStatement = "select pg_sleep(30)";
    pg.multipleResults = true;
    pg.hasDatabaseNameInCatalogs = true;
    list.push_back(pg);

    // The Unicode driver through the same narrow calls.
    TestDatabase pgw = pg;
    pgw.name = "PostgreSQLUnicode";
    pgw.unavailableReason = [] {
      if (!PostgresConfigured()) return std::string("ORVA_PG_* not set: no PostgreSQL test server running");
      return FindDriverLibrary("psqlodbcw.so") ? std::string() : "PostgreSQL Unicode ODBC driver not installed";
    };
    pgw.connectString = [] { return PostgresConnectString("PostgreSQL Unicode"); };
    list.push_back(pgw);
    return list;
  }();
  return databases;
}

}  // namespace orva::test
