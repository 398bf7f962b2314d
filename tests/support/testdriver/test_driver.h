#pragma once
// Registering the ORVA test ODBC driver for a test process and building its
// connection strings.

#include <string>
#include <vector>

namespace orva::testdriver {

// Driver name in the tests' odbcinst.ini.
inline constexpr const char* kTestDriverName = "ORVA Test";

// Path of the built driver library.
std::string TestDriverLibrary();

// The driver's section of an odbcinst.ini ("[ORVA Test]" and its keys), for
// tests that write their own odbcinst.ini with other drivers beside it.
std::string TestDriverIniSection();

// A data source naming the driver, written to the tests' odbc.ini.
struct TestDataSource {
  std::string name;
  std::string attributes;  // "KEY=value;..." pairs stored under the DSN
};

// Writes odbcinst.ini (the driver) and odbc.ini (the data sources) into
// configFolder and points ODBCSYSINI and ODBCINI at them, so the driver
// manager reads nothing of the machine's configuration. Call it before the
// first connection of the process. Returns false when a file cannot be written.
bool RegisterTestDriver(const std::string& configFolder, const std::vector<TestDataSource>& dataSources = {});

// Options of a test connection.
struct TestConnection {
  std::string folder;                          // one SQLite file per database
  std::string dbms = "Microsoft SQL Server";   // SQL_DBMS_NAME
  std::string database = "master";             // initial database
  bool multipleResults = true;                 // SQL_MULT_RESULT_SETS
  bool noTotal = false;                        // long data reports SQL_NO_TOTAL
  std::string hide;                            // functions to report missing, e.g. "SQLProcedures,SQLCancel"
};

// "DRIVER={ORVA Test};FOLDER=...;DBMS=...;MULTRESULTS=Y;DATABASE=...;" and the optional keys.
std::string ConnectionString(const TestConnection& connection);

}  // namespace orva::testdriver
