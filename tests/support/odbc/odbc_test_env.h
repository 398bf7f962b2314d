#pragma once
// The databases the database tests run against, registered in the tests' own
// ODBC configuration: odbcinst.ini and odbc.ini in a private temporary folder,
// with ODBCSYSINI and ODBCINI pointing at it. RegisterTestDrivers must run
// before the process makes its first ODBC call.
//
// SQLite runs on a temporary database file; PostgreSQL on the private server
// that the test script starts (ORVA_PG_* variables). Connection strings are
// plain ASCII, so they are the same in GBK and in the driver's character set.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orva::test {

// Registers the drivers and data sources once per process. Returns the
// folder holding the two ini files.
const std::string& RegisterTestDrivers();

// Full path of a driver library found in the usual driver folders (or in
// ORVA_ODBC_DRIVER_DIR), nothing when it is not installed.
std::optional<std::string> FindDriverLibrary(std::string_view fileName);

// Driver names of the file-database connection strings, registered with
// ORVA's file driver.
inline constexpr const char* kTextDriverName = "Microsoft Text Driver (*.txt; *.csv)";
inline constexpr const char* kDBaseDriverName = "Microsoft dBase Driver (*.dbf)";
inline constexpr const char* kExcelDriverName = "Microsoft Excel Driver (*.xls)";

// A fresh, not yet existing database file in the private folder.
std::string NewSqliteFile();
std::string SqliteConnectString(const std::string& file);
// The data source "orva_sqlite" names a database file of its own.
inline constexpr const char* kSqliteDsn = "orva_sqlite";

// True when the private PostgreSQL server is described by ORVA_PG_*.
bool PostgresConfigured();
// Driver string for the private server; `driver` is "PostgreSQL ANSI" or
// "PostgreSQL Unicode". Only meaningful when PostgresConfigured().
std::string PostgresConnectString(std::string_view driver = "PostgreSQL ANSI");
// The data source "orva_pg" (registered only when PostgreSQL is configured).
inline constexpr const char* kPostgresDsn = "orva_pg";

// A name unique to this process (test cases run as parallel processes that
// share the PostgreSQL database).
std::string UniqueName(std::string_view prefix);

// One database the tests run against, with what the tests need to know about
// its SQL dialect.
struct TestDatabase {
  std::string name;    // unique, usable in test names
  std::string family;  // "SQLite" or "PostgreSQL": the SQL dialect and driver quirks
  // Why the database cannot be used here; empty when it can.
  std::function<std::string()> unavailableReason;
  // A connection string; for file databases each call gives a fresh database.
  std::function<std::string()> connectString;
  std::string binaryType;     // column type of short binary values
  std::string blobType;       // column type of long binary values
  std::string longTextType;   // column type of long texts
  std::string timestampType;  // column type of date and time values
  std::string binaryLiteralPrefix;  // binary literal: prefix + hex + suffix
  std::string binaryLiteralSuffix;
  std::string sleepStatement;  // a statement that runs for 30 seconds; empty when none
  bool multipleResults = false;  // the driver reports SQL_MULT_RESULT_SETS "Y"
  bool hasDatabaseNameInCatalogs = false;
};

// The databases of the fixture list: SQLite, and PostgreSQL through its ANSI
// and its Unicode driver. Further test databases join by adding an entry here.
const std::vector<TestDatabase>& TestDatabases();

// Printed as its name in test output.
inline void PrintTo(const TestDatabase& db, std::ostream* os) { *os << db.name; }

// For parameterised test names.
inline std::string TestDatabaseName(const TestDatabase& db) { return db.name; }

}  // namespace orva::test
