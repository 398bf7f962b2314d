// Connecting to the test driver through the driver manager, and what it
// reports about itself.

#include <QDir>
#include <QFile>

#include "driver_fixture.h"

namespace orva::testdriver::test {
namespace {

std::string InfoText(SQLHDBC dbc, SQLUSMALLINT type) {
  char buffer[256] = "";
  SQLSMALLINT length = 0;
  EXPECT_TRUE(SQL_SUCCEEDED(SQLGetInfo(dbc, type, buffer, sizeof buffer, &length))) << DiagText(SQL_HANDLE_DBC, dbc);
  return buffer;
}

SQLUSMALLINT Supported(SQLHDBC dbc, SQLUSMALLINT function) {
  SQLUSMALLINT supported = 99;
  EXPECT_EQ(SQLGetFunctions(dbc, function, &supported), SQL_SUCCESS) << DiagText(SQL_HANDLE_DBC, dbc);
  return supported;
}

using ConnectTest = DriverTest;

TEST_F(ConnectTest, ConnectsAndReportsTheConnectionStringItWasGiven) {
  SQLHDBC dbc = NewConnectionHandle();
  const std::string in = ConnectionString(Options());
  SQLCHAR out[512];
  SQLSMALLINT length = 0;
  ASSERT_EQ(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)in.c_str(), SQL_NTS, out, sizeof out, &length, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS)
      << DiagText(SQL_HANDLE_DBC, dbc);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), in);
  EXPECT_EQ(length, static_cast<SQLSMALLINT>(in.size()));
  // master is created on first use, as every server has one.
  EXPECT_TRUE(QFile::exists(m_folder.filePath("master.db")));

  // A completed string that does not fit is cut and flagged.
  ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
  SQLCHAR small[10];
  EXPECT_EQ(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)in.c_str(), SQL_NTS, small, sizeof small, &length,
                             SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, dbc), "01004");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(small)), in.substr(0, 9));
  EXPECT_EQ(length, static_cast<SQLSMALLINT>(in.size()));
}

TEST_F(ConnectTest, FailedConnectionsCarryTheDriversDiagnostics) {
  SQLHDBC dbc = NewConnectionHandle();
  auto attempt = [&](const std::string& text) {
    const SQLRETURN rc =
        SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    EXPECT_EQ(rc, SQL_ERROR) << text;
    return DiagText(SQL_HANDLE_DBC, dbc);
  };
  TestConnection missingFolder = Options();
  missingFolder.folder = m_folder.filePath("nowhere").toStdString();
  EXPECT_EQ(attempt(ConnectionString(missingFolder)).substr(0, 5), "08001");
  TestConnection unknownDatabase = Options();
  unknownDatabase.database = "nosuch";
  const std::string text = attempt(ConnectionString(unknownDatabase));
  EXPECT_EQ(text.substr(0, 5), "08004");
  EXPECT_NE(text.find("Cannot open database \"nosuch\""), std::string::npos) << text;
  EXPECT_NE(text.find("[ORVA][ORVA Test Driver]"), std::string::npos) << text;
  EXPECT_EQ(attempt("DRIVER={ORVA Test};FOLDER=" + Options().folder + ";HIDE=SQLNoSuchThing").substr(0, 5), "HY000");
  EXPECT_EQ(attempt("DRIVER={ORVA Test};FOLDER=" + Options().folder + ";MULTRESULTS=maybe").substr(0, 5), "HY000");
  // After the failures the same handle still connects.
  const std::string good = ConnectionString(Options());
  EXPECT_EQ(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)good.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS)
      << DiagText(SQL_HANDLE_DBC, dbc);
}

TEST_F(ConnectTest, ConnectsThroughADataSourceName) {
  const std::string config = EnsureDriverRegistered();
  SQLHDBC dbc = NewConnectionHandle(SQL_OV_ODBC2);
  ASSERT_TRUE(SQL_SUCCEEDED(SQLConnect(dbc, (SQLCHAR*)"OrvaTestDsn", SQL_NTS, (SQLCHAR*)"sa", SQL_NTS, nullptr, 0)))
      << DiagText(SQL_HANDLE_DBC, dbc);
  EXPECT_EQ(InfoText(dbc, SQL_DBMS_NAME), "Sybase SQL Anywhere");
  EXPECT_EQ(InfoText(dbc, SQL_MULT_RESULT_SETS), "N");
  EXPECT_EQ(InfoText(dbc, SQL_DATA_SOURCE_NAME), "OrvaTestDsn");
  EXPECT_EQ(InfoText(dbc, SQL_USER_NAME), "sa");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(config + "/dsn-data/master.db")));
  ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);

  // Keys in the string win over the DSN's.
  const std::string text = "DSN=OrvaTestDsn;DBMS=Oracle";
  SQLCHAR out[256];
  SQLSMALLINT length;
  ASSERT_TRUE(SQL_SUCCEEDED(
      SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out, sizeof out, &length, SQL_DRIVER_NOPROMPT)))
      << DiagText(SQL_HANDLE_DBC, dbc);
  EXPECT_EQ(InfoText(dbc, SQL_DBMS_NAME), "Oracle");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), text);
}

TEST_F(ConnectTest, InfoFollowsTheConnectionString) {
  TestConnection options = Options();
  options.dbms = "Adaptive Server Anywhere";
  options.multipleResults = false;
  SQLHDBC dbc = Connect(options);
  EXPECT_EQ(InfoText(dbc, SQL_DBMS_NAME), "Adaptive Server Anywhere");
  EXPECT_EQ(InfoText(dbc, SQL_MULT_RESULT_SETS), "N");
  EXPECT_EQ(InfoText(dbc, SQL_DATABASE_NAME), "master");

  SQLHDBC defaults = Connect(Options());
  EXPECT_EQ(InfoText(defaults, SQL_DBMS_NAME), "Microsoft SQL Server");
  EXPECT_EQ(InfoText(defaults, SQL_MULT_RESULT_SETS), "Y");
  EXPECT_EQ(InfoText(defaults, SQL_IDENTIFIER_QUOTE_CHAR), "\"");
  SQLUINTEGER getData = 0;
  EXPECT_EQ(SQLGetInfo(defaults, SQL_GETDATA_EXTENSIONS, &getData, sizeof getData, nullptr), SQL_SUCCESS);
  EXPECT_EQ(getData, static_cast<SQLUINTEGER>(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER));
  SQLUSMALLINT txn = 99;
  EXPECT_EQ(SQLGetInfo(defaults, SQL_TXN_CAPABLE, &txn, sizeof txn, nullptr), SQL_SUCCESS);
  EXPECT_EQ(txn, SQL_TC_ALL);

  // A name that does not fit is cut with 01004 and its full length.
  char small[5];
  SQLSMALLINT length = 0;
  EXPECT_EQ(SQLGetInfo(defaults, SQL_DBMS_NAME, small, sizeof small, &length), SQL_SUCCESS_WITH_INFO);
  EXPECT_STREQ(small, "Micr");
  EXPECT_EQ(length, 20);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, defaults), "01004");
  // An unknown information type is refused.
  EXPECT_EQ(SQLGetInfo(defaults, 9999, small, sizeof small, &length), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, defaults), "HY096");
}

TEST_F(ConnectTest, HiddenFunctionsAreReportedMissing) {
  TestConnection options = Options();
  options.hide = "SQLProcedures, SQLCancel";
  SQLHDBC hidden = Connect(options);
  EXPECT_EQ(Supported(hidden, SQL_API_SQLPROCEDURES), SQL_FALSE);
  EXPECT_EQ(Supported(hidden, SQL_API_SQLCANCEL), SQL_FALSE);
  EXPECT_EQ(Supported(hidden, SQL_API_SQLTABLES), SQL_TRUE);
  EXPECT_EQ(Supported(hidden, SQL_API_SQLROWCOUNT), SQL_TRUE);
  SQLHSTMT stmt = NewStatement(hidden);
  EXPECT_EQ(SQLProcedures(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "IM001");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);

  SQLHDBC full = Connect(Options());
  EXPECT_EQ(Supported(full, SQL_API_SQLPROCEDURES), SQL_TRUE);
  EXPECT_EQ(Supported(full, SQL_API_SQLCANCEL), SQL_TRUE);
  EXPECT_EQ(Supported(full, SQL_API_SQLMORERESULTS), SQL_TRUE);
  EXPECT_EQ(Supported(full, SQL_API_SQLGETDATA), SQL_TRUE);
  SQLUSMALLINT all[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
  ASSERT_EQ(SQLGetFunctions(full, SQL_API_ODBC3_ALL_FUNCTIONS, all), SQL_SUCCESS);
  EXPECT_TRUE(SQL_FUNC_EXISTS(all, SQL_API_SQLFETCHSCROLL));
  EXPECT_FALSE(SQL_FUNC_EXISTS(all, SQL_API_SQLBULKOPERATIONS));
}

TEST_F(ConnectTest, CurrentCatalogAttributeSwitchesDatabases) {
  SQLHDBC dbc = Connect();
  Run(dbc, "create database sales");
  ASSERT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, (SQLPOINTER) "sales", SQL_NTS), SQL_SUCCESS)
      << DiagText(SQL_HANDLE_DBC, dbc);
  char name[64] = "";
  SQLINTEGER length = 0;
  ASSERT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, name, sizeof name, &length), SQL_SUCCESS);
  EXPECT_STREQ(name, "sales");
  EXPECT_EQ(InfoText(dbc, SQL_DATABASE_NAME), "sales");
  EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, (SQLPOINTER) "nosuch", SQL_NTS), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, dbc), "08004");
  EXPECT_EQ(InfoText(dbc, SQL_DATABASE_NAME), "sales");
  // Autocommit is on or off, nothing else.
  EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)7, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, dbc), "HY024");
  EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_SUCCESS);
  // ODBC 2 options reach the connection too.
  EXPECT_EQ(SQLSetConnectOption(dbc, SQL_LOGIN_TIMEOUT, 7), SQL_SUCCESS);
  SQLUINTEGER timeout = 0;
  EXPECT_EQ(SQLGetConnectOption(dbc, SQL_LOGIN_TIMEOUT, &timeout), SQL_SUCCESS);
  EXPECT_EQ(timeout, 7u);
}

}  // namespace
}  // namespace orva::testdriver::test
