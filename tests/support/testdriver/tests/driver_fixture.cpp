#include "driver_fixture.h"

#include <mutex>

#include "test_env.h"

namespace orva::testdriver::test {

std::string EnsureDriverRegistered() {
  static std::once_flag once;
  static std::string folder;
  std::call_once(once, [] {
    folder = orva::test::ProcessTempDir().toStdString() + "/odbc";
    QDir().mkpath(QString::fromStdString(folder));
    RegisterTestDriver(folder, {{"OrvaTestDsn", "FOLDER=" + folder + "/dsn-data;DBMS=Sybase SQL Anywhere;MULTRESULTS=N"}});
    QDir().mkpath(QString::fromStdString(folder + "/dsn-data"));
  });
  return folder;
}

std::string DiagText(SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = "";
  SQLCHAR message[1024] = "";
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length))) return "";
  return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
}

std::string DiagState(SQLSMALLINT type, SQLHANDLE handle) { return DiagText(type, handle).substr(0, 5); }

void DriverTest::SetUp() {
  EnsureDriverRegistered();
  ASSERT_TRUE(m_folder.isValid());
}

void DriverTest::TearDown() {
  for (SQLHDBC dbc : m_dbcs) {
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }
  for (SQLHENV env : m_envs) SQLFreeHandle(SQL_HANDLE_ENV, env);
}

TestConnection DriverTest::Options() const {
  TestConnection options;
  options.folder = m_folder.path().toStdString();
  return options;
}

SQLHDBC DriverTest::NewConnectionHandle(SQLINTEGER odbcVersion) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (odbcVersion == SQL_OV_ODBC2) {
    EXPECT_EQ(SQLAllocEnv(&env), SQL_SUCCESS);
  } else {
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    EXPECT_EQ(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(odbcVersion)), 0),
              SQL_SUCCESS);
  }
  m_envs.push_back(env);
  EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
  m_dbcs.push_back(dbc);
  return dbc;
}

SQLHDBC DriverTest::Connect(const TestConnection& options, SQLINTEGER odbcVersion) {
  SQLHDBC dbc = NewConnectionHandle(odbcVersion);
  const std::string text = ConnectionString(options);
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out, sizeof out, &outLength,
                                        SQL_DRIVER_NOPROMPT);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << DiagText(SQL_HANDLE_DBC, dbc);
  return dbc;
}

SQLHSTMT DriverTest::NewStatement(SQLHDBC dbc) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS) << DiagText(SQL_HANDLE_DBC, dbc);
  return stmt;
}

void DriverTest::Run(SQLHDBC dbc, const std::string& sql) {
  SQLHSTMT stmt = NewStatement(dbc);
  SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << DiagText(SQL_HANDLE_STMT, stmt);
  while (SQL_SUCCEEDED(rc)) {
    rc = SQLMoreResults(stmt);
    EXPECT_TRUE(rc == SQL_NO_DATA || SQL_SUCCEEDED(rc)) << sql << ": " << DiagText(SQL_HANDLE_STMT, stmt);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

std::vector<std::vector<std::string>> DriverTest::Rows(SQLHSTMT stmt) {
  std::vector<std::vector<std::string>> rows;
  SQLSMALLINT columns = 0;
  EXPECT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
  SQLRETURN rc;
  while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    std::vector<std::string> row;
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      std::string value;
      char buffer[64];
      SQLLEN indicator = 0;
      SQLRETURN get;
      bool isNull = false;
      while ((get = SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &indicator)) == SQL_SUCCESS ||
             get == SQL_SUCCESS_WITH_INFO) {
        if (indicator == SQL_NULL_DATA) {
          isNull = true;
          break;
        }
        value += buffer;
        if (get == SQL_SUCCESS) break;
      }
      EXPECT_TRUE(SQL_SUCCEEDED(get)) << DiagText(SQL_HANDLE_STMT, stmt);
      row.push_back(isNull ? "<NULL>" : value);
    }
    rows.push_back(row);
  }
  EXPECT_EQ(rc, SQL_NO_DATA) << DiagText(SQL_HANDLE_STMT, stmt);
  return rows;
}

std::vector<std::vector<std::string>> DriverTest::Query(SQLHDBC dbc, const std::string& sql) {
  SQLHSTMT stmt = NewStatement(dbc);
  const SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << DiagText(SQL_HANDLE_STMT, stmt);
  auto rows = SQL_SUCCEEDED(rc) ? Rows(stmt) : std::vector<std::vector<std::string>>{};
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return rows;
}

}  // namespace orva::testdriver::test
