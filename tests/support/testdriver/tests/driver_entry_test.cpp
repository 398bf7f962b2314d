// The driver's entry points called directly, without the driver manager, so
// that bad handles and invalid arguments reach the driver itself.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "testdriver/test_driver.h"

namespace orva::testdriver::test {
namespace {

#define ORVA_ENTRY(name) decltype(&::name) name = Load<decltype(&::name)>(#name)

// The driver library and its entry points.
struct Driver {
  void* library = dlopen(TestDriverLibrary().c_str(), RTLD_NOW | RTLD_LOCAL);
  template <typename F>
  F Load(const char* name) {
    return library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
  }
  ORVA_ENTRY(SQLAllocHandle);
  ORVA_ENTRY(SQLAllocEnv);
  ORVA_ENTRY(SQLAllocConnect);
  ORVA_ENTRY(SQLAllocStmt);
  ORVA_ENTRY(SQLFreeHandle);
  ORVA_ENTRY(SQLFreeEnv);
  ORVA_ENTRY(SQLFreeConnect);
  ORVA_ENTRY(SQLFreeStmt);
  ORVA_ENTRY(SQLSetEnvAttr);
  ORVA_ENTRY(SQLGetEnvAttr);
  ORVA_ENTRY(SQLSetConnectAttr);
  ORVA_ENTRY(SQLGetConnectAttr);
  ORVA_ENTRY(SQLSetConnectOption);
  ORVA_ENTRY(SQLGetConnectOption);
  ORVA_ENTRY(SQLDriverConnect);
  ORVA_ENTRY(SQLConnect);
  ORVA_ENTRY(SQLDisconnect);
  ORVA_ENTRY(SQLGetInfo);
  ORVA_ENTRY(SQLGetFunctions);
  ORVA_ENTRY(SQLExecDirect);
  ORVA_ENTRY(SQLPrepare);
  ORVA_ENTRY(SQLExecute);
  ORVA_ENTRY(SQLNumResultCols);
  ORVA_ENTRY(SQLDescribeCol);
  ORVA_ENTRY(SQLColAttribute);
  ORVA_ENTRY(SQLColAttributes);
  ORVA_ENTRY(SQLBindCol);
  ORVA_ENTRY(SQLFetch);
  ORVA_ENTRY(SQLFetchScroll);
  ORVA_ENTRY(SQLGetData);
  ORVA_ENTRY(SQLRowCount);
  ORVA_ENTRY(SQLMoreResults);
  ORVA_ENTRY(SQLCloseCursor);
  ORVA_ENTRY(SQLCancel);
  ORVA_ENTRY(SQLTables);
  ORVA_ENTRY(SQLColumns);
  ORVA_ENTRY(SQLPrimaryKeys);
  ORVA_ENTRY(SQLProcedures);
  ORVA_ENTRY(SQLGetDiagRec);
  ORVA_ENTRY(SQLGetDiagField);
  ORVA_ENTRY(SQLError);
  ORVA_ENTRY(SQLGetStmtAttr);
  ORVA_ENTRY(SQLSetStmtAttr);
  ORVA_ENTRY(SQLSetStmtOption);
  ORVA_ENTRY(SQLGetStmtOption);
  ORVA_ENTRY(SQLEndTran);
  ORVA_ENTRY(SQLTransact);
};

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(d.library, nullptr) << dlerror();
    ASSERT_NE(d.SQLTransact, nullptr);
    ASSERT_EQ(d.SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    ASSERT_EQ(d.SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0), SQL_SUCCESS);
    ASSERT_EQ(d.SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
  }
  void TearDown() override {
    d.SQLDisconnect(dbc);
    EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
    EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_ENV, env), SQL_SUCCESS);
    dlclose(d.library);
  }
  SQLRETURN ConnectTo(const std::string& text) {
    return d.SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  }
  void Connect() {
    TestConnection options;
    options.folder = folder.path().toStdString();
    ASSERT_EQ(ConnectTo(ConnectionString(options)), SQL_SUCCESS) << State(SQL_HANDLE_DBC, dbc);
  }
  SQLHSTMT Statement() {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    return stmt;
  }
  // SQLSTATE of the first record.
  std::string State(SQLSMALLINT type, SQLHANDLE handle) {
    SQLCHAR state[6] = "";
    SQLINTEGER native;
    SQLCHAR message[512];
    SQLSMALLINT length;
    if (d.SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length) != SQL_SUCCESS) return "";
    return reinterpret_cast<char*>(state);
  }

  Driver d;
  QTemporaryDir folder;
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
};

// Disconnecting while a statement's call runs on another thread is refused
// instead of freeing the statement under it.
TEST_F(EntryTest, DisconnectWaitsForNoRunningStatement) {
  Connect();
  SQLHSTMT stmt = Statement();
  std::atomic<SQLRETURN> rc{SQL_SUCCESS};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    rc = d.SQLExecDirect(stmt, (SQLCHAR*)"select sleep(600)", SQL_NTS);
    done = true;
  });
  // The worker is then inside its 600-second statement.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_FALSE(done);
  const SQLRETURN disconnect = d.SQLDisconnect(dbc);
  EXPECT_EQ(disconnect, SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY010");
  EXPECT_EQ(d.SQLCancel(stmt), SQL_SUCCESS);
  worker.join();
  EXPECT_EQ(rc, SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY008");
}

TEST_F(EntryTest, NullForeignAndStaleHandlesAreInvalid) {
  Connect();
  SQLHSTMT stmt = Statement();
  SQLHSTMT stale = Statement();
  ASSERT_EQ(d.SQLFreeHandle(SQL_HANDLE_STMT, stale), SQL_SUCCESS);
  int notAHandle = 42;
  char buffer[64];
  SQLLEN length = 0;
  SQLSMALLINT shortLength = 0;
  for (SQLHANDLE bad : {SQLHANDLE(nullptr), SQLHANDLE(stale), SQLHANDLE(&notAHandle), SQLHANDLE(dbc)}) {
    EXPECT_EQ(d.SQLExecDirect(bad, (SQLCHAR*)"select 1", SQL_NTS), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLPrepare(bad, (SQLCHAR*)"select 1", SQL_NTS), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLExecute(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFetch(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFetchScroll(bad, SQL_FETCH_NEXT, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetData(bad, 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLBindCol(bad, 1, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLNumResultCols(bad, &shortLength), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLDescribeCol(bad, 1, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLColAttribute(bad, 1, SQL_DESC_NAME, buffer, sizeof buffer, &shortLength, nullptr),
              SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLColAttributes(bad, 1, SQL_COLUMN_NAME, buffer, sizeof buffer, &shortLength, nullptr),
              SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLRowCount(bad, &length), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLMoreResults(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLCloseCursor(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLCancel(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFreeStmt(bad, SQL_CLOSE), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLTables(bad, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLColumns(bad, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLPrimaryKeys(bad, nullptr, 0, nullptr, 0, (SQLCHAR*)"t", SQL_NTS), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLProcedures(bad, nullptr, 0, nullptr, 0, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLSetStmtAttr(bad, SQL_ATTR_QUERY_TIMEOUT, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetStmtAttr(bad, SQL_ATTR_QUERY_TIMEOUT, buffer, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLSetStmtOption(bad, SQL_QUERY_TIMEOUT, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetStmtOption(bad, SQL_QUERY_TIMEOUT, buffer), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, bad, 1, nullptr, nullptr, nullptr, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, bad, 0, SQL_DIAG_NUMBER, buffer, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLError(nullptr, nullptr, bad, nullptr, nullptr, nullptr, 0, nullptr),
              SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_STMT, bad), SQL_INVALID_HANDLE);
  }
  for (SQLHANDLE bad : {SQLHANDLE(nullptr), SQLHANDLE(&notAHandle), SQLHANDLE(env), SQLHANDLE(stmt)}) {
    EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_STMT, bad, &stale), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLAllocStmt(bad, &stale), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLDriverConnect(bad, nullptr, (SQLCHAR*)"x", SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
              SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLConnect(bad, (SQLCHAR*)"x", SQL_NTS, nullptr, 0, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLDisconnect(bad), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetInfo(bad, SQL_DBMS_NAME, buffer, sizeof buffer, &shortLength), SQL_INVALID_HANDLE);
    SQLUSMALLINT supported;
    EXPECT_EQ(d.SQLGetFunctions(bad, SQL_API_SQLFETCH, &supported), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLSetConnectAttr(bad, SQL_ATTR_LOGIN_TIMEOUT, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetConnectAttr(bad, SQL_ATTR_LOGIN_TIMEOUT, buffer, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLSetConnectOption(bad, SQL_LOGIN_TIMEOUT, 1), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetConnectOption(bad, SQL_LOGIN_TIMEOUT, buffer), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLEndTran(SQL_HANDLE_DBC, bad, SQL_COMMIT), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFreeConnect(bad), SQL_INVALID_HANDLE);
  }
  for (SQLHANDLE bad : {SQLHANDLE(nullptr), SQLHANDLE(&notAHandle), SQLHANDLE(dbc)}) {
    SQLHDBC unused;
    EXPECT_EQ(d.SQLAllocConnect(bad, &unused), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLSetEnvAttr(bad, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLGetEnvAttr(bad, SQL_ATTR_ODBC_VERSION, buffer, 0, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLTransact(bad, nullptr, SQL_COMMIT), SQL_INVALID_HANDLE);
    EXPECT_EQ(d.SQLFreeEnv(bad), SQL_INVALID_HANDLE);
  }
  EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_DESC, stmt), SQL_INVALID_HANDLE);
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_DBC, stmt, 1, nullptr, nullptr, nullptr, 0, nullptr), SQL_INVALID_HANDLE);
  // A disconnect frees the connection's statements.
  ASSERT_EQ(d.SQLDisconnect(dbc), SQL_SUCCESS);
  EXPECT_EQ(d.SQLFetch(stmt), SQL_INVALID_HANDLE);
}

TEST_F(EntryTest, AllocationAndReleaseRules) {
  EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, nullptr), SQL_ERROR);
  EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_DBC, env, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY009");
  SQLHANDLE out = &out;
  EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_STMT, dbc, &out), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "08003");
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(d.SQLAllocHandle(SQL_HANDLE_DESC, dbc, &out), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HYC00");
  EXPECT_EQ(d.SQLAllocHandle(99, env, &out), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY092");
  EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_ENV, env), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY010");
  Connect();
  EXPECT_EQ(d.SQLFreeHandle(SQL_HANDLE_DBC, dbc), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY010");
  // The ODBC 2 forms.
  SQLHENV env2;
  SQLHDBC dbc2;
  SQLHSTMT stmt2;
  ASSERT_EQ(d.SQLAllocEnv(&env2), SQL_SUCCESS);
  ASSERT_EQ(d.SQLAllocConnect(env2, &dbc2), SQL_SUCCESS);
  EXPECT_EQ(d.SQLAllocStmt(dbc2, &stmt2), SQL_ERROR);
  EXPECT_EQ(d.SQLFreeConnect(dbc2), SQL_SUCCESS);
  EXPECT_EQ(d.SQLFreeEnv(env2), SQL_SUCCESS);
}

TEST_F(EntryTest, EnvironmentAttributes) {
  EXPECT_EQ(d.SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)7, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY024");
  EXPECT_EQ(d.SQLSetEnvAttr(env, 12345, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY092");
  EXPECT_EQ(d.SQLSetEnvAttr(env, SQL_ATTR_OUTPUT_NTS, (SQLPOINTER)SQL_FALSE, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HYC00");
  // A connection exists: the version is fixed.
  EXPECT_EQ(d.SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC2, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY010");
  SQLUINTEGER version = 0;
  EXPECT_EQ(d.SQLGetEnvAttr(env, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(version, static_cast<SQLUINTEGER>(SQL_OV_ODBC3));
  EXPECT_EQ(d.SQLTransact(env, nullptr, SQL_COMMIT), SQL_SUCCESS);
  EXPECT_EQ(d.SQLEndTran(SQL_HANDLE_ENV, env, 7), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_ENV, env), "HY012");
}

TEST_F(EntryTest, ConnectionArguments) {
  EXPECT_EQ(d.SQLDisconnect(dbc), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "08003");
  char buffer[64];
  SQLSMALLINT length;
  EXPECT_EQ(d.SQLGetInfo(dbc, SQL_DBMS_NAME, buffer, sizeof buffer, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "08003");
  EXPECT_EQ(d.SQLDriverConnect(dbc, nullptr, (SQLCHAR*)"FOLDER=/", SQL_NTS, nullptr, 0, nullptr, 77), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY110");
  EXPECT_EQ(d.SQLDriverConnect(dbc, nullptr, nullptr, SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY009");
  EXPECT_EQ(d.SQLDriverConnect(dbc, nullptr, (SQLCHAR*)"FOLDER=/", -5, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY090");
  EXPECT_EQ(ConnectTo("DRIVER={ORVA Test}"), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "08001");
  EXPECT_EQ(d.SQLConnect(dbc, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "IM002");
  // A string of the given length only.
  const std::string text = "FOLDER=" + folder.path().toStdString() + ";DBMS=Oracle";
  ASSERT_EQ(d.SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), static_cast<SQLSMALLINT>(text.size() - 8), nullptr,
                               0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS);
  EXPECT_EQ(d.SQLGetInfo(dbc, SQL_DBMS_NAME, buffer, sizeof buffer, &length), SQL_SUCCESS);
  EXPECT_STREQ(buffer, "Microsoft SQL Server");
  EXPECT_EQ(ConnectTo(text), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "08002");
  EXPECT_EQ(d.SQLGetInfo(dbc, SQL_DBMS_NAME, buffer, -1, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY090");
  SQLUSMALLINT supported;
  EXPECT_EQ(d.SQLGetFunctions(dbc, 5000, &supported), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY095");
  EXPECT_EQ(d.SQLGetFunctions(dbc, SQL_API_SQLFETCH, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY009");
  SQLUSMALLINT odbc2[100];
  EXPECT_EQ(d.SQLGetFunctions(dbc, SQL_API_ALL_FUNCTIONS, odbc2), SQL_SUCCESS);
  EXPECT_EQ(odbc2[SQL_API_SQLEXECDIRECT], SQL_TRUE);
  EXPECT_EQ(odbc2[SQL_API_SQLSETPOS], SQL_FALSE);
  EXPECT_EQ(d.SQLSetConnectAttr(dbc, 123456, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY092");
  EXPECT_EQ(d.SQLGetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, nullptr, 0, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DBC, dbc), "HY009");
  char catalog[4];
  SQLINTEGER catalogLength = 0;
  EXPECT_EQ(d.SQLGetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, catalog, sizeof catalog, &catalogLength),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_STREQ(catalog, "mas");
  EXPECT_EQ(catalogLength, 6);
}

TEST_F(EntryTest, StatementArguments) {
  Connect();
  SQLHSTMT stmt = Statement();
  SQLSMALLINT count;
  char buffer[64];
  SQLLEN length;
  EXPECT_EQ(d.SQLExecDirect(stmt, nullptr, SQL_NTS), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY009");
  EXPECT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"select 1", -7), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY090");
  EXPECT_EQ(d.SQLExecute(stmt), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY010");
  EXPECT_EQ(d.SQLNumResultCols(stmt, &count), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY010");
  EXPECT_EQ(d.SQLFetch(stmt), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "24000");
  EXPECT_EQ(d.SQLCloseCursor(stmt), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "24000");
  EXPECT_EQ(d.SQLMoreResults(stmt), SQL_NO_DATA);
  EXPECT_EQ(d.SQLBindCol(stmt, 0, SQL_C_CHAR, buffer, sizeof buffer, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "07009");
  EXPECT_EQ(d.SQLBindCol(stmt, 1, 999, buffer, sizeof buffer, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY003");
  EXPECT_EQ(d.SQLBindCol(stmt, 1, SQL_C_CHAR, buffer, -1, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY090");
  EXPECT_EQ(d.SQLFreeStmt(stmt, 77), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY092");
  EXPECT_EQ(d.SQLSetStmtAttr(stmt, 987654, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY092");
  EXPECT_EQ(d.SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, (SQLPOINTER)5, 0), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "01S02");
  SQLULEN size = 0;
  EXPECT_EQ(d.SQLGetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(d.SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_KEYSET_DRIVEN, 0),
            SQL_SUCCESS_WITH_INFO);
  SQLULEN cursorType = 0;
  EXPECT_EQ(d.SQLGetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, &cursorType, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(cursorType, static_cast<SQLULEN>(SQL_CURSOR_STATIC));
  EXPECT_EQ(d.SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_FORWARD_ONLY, 0), SQL_SUCCESS);
  EXPECT_EQ(d.SQLSetStmtAttr(stmt, SQL_ATTR_ASYNC_ENABLE, (SQLPOINTER)SQL_ASYNC_ENABLE_ON, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HYC00");
  EXPECT_EQ(d.SQLSetStmtOption(stmt, SQL_MAX_ROWS, 1), SQL_SUCCESS);
  SQLULEN maxRows = 0;
  EXPECT_EQ(d.SQLGetStmtOption(stmt, SQL_MAX_ROWS, &maxRows), SQL_SUCCESS);
  EXPECT_EQ(maxRows, 1u);

  ASSERT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"select 1 as a union all select 2", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"select 1", SQL_NTS), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "24000");
  EXPECT_EQ(d.SQLDescribeCol(stmt, 2, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "07009");
  EXPECT_EQ(d.SQLColAttribute(stmt, 1, 4321, buffer, sizeof buffer, &count, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY091");
  SQLLEN type = 0;
  EXPECT_EQ(d.SQLColAttributes(stmt, 1, SQL_COLUMN_TYPE, nullptr, 0, nullptr, &type), SQL_SUCCESS);
  EXPECT_EQ(type, SQL_INTEGER);
  EXPECT_EQ(d.SQLFetchScroll(stmt, SQL_FETCH_PRIOR, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY106");
  EXPECT_EQ(d.SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
  EXPECT_EQ(d.SQLGetData(stmt, 1, SQL_C_CHAR, nullptr, 0, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY009");
  EXPECT_EQ(d.SQLGetData(stmt, 1, SQL_C_CHAR, buffer, -2, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY090");
  // Only one row: SQL_MAX_ROWS is 1.
  EXPECT_EQ(d.SQLFetch(stmt), SQL_NO_DATA);
  EXPECT_EQ(d.SQLCloseCursor(stmt), SQL_SUCCESS);

  ASSERT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"create table t(x int)", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(d.SQLNumResultCols(stmt, &count), SQL_SUCCESS);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(d.SQLDescribeCol(stmt, 1, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "07005");
  EXPECT_EQ(d.SQLFetch(stmt), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "24000");
  EXPECT_EQ(d.SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"t", -5), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, stmt), "HY090");
  EXPECT_EQ(d.SQLFreeStmt(stmt, SQL_DROP), SQL_SUCCESS);
}

TEST_F(EntryTest, DiagnosticsAreReadWithoutBeingChanged) {
  Connect();
  SQLHSTMT stmt = Statement();
  ASSERT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"select * from nowhere", SQL_NTS), SQL_ERROR);
  SQLCHAR state[6];
  SQLINTEGER native = 0;
  SQLCHAR message[10];
  SQLSMALLINT length = 0;
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 0, state, &native, message, sizeof message, &length), SQL_ERROR);
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, message, -1, &length), SQL_ERROR);
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 2, state, &native, message, sizeof message, &length), SQL_NO_DATA);
  ASSERT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, message, sizeof message, &length),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_STREQ(reinterpret_cast<char*>(state), "42S02");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(message)), "[ORVA][OR");
  EXPECT_GT(length, 30);
  EXPECT_EQ(native, 1);  // SQLite's error code
  SQLINTEGER number = 0;
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 0, SQL_DIAG_NUMBER, &number, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(number, 1);
  SQLRETURN returned = 0;
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 0, SQL_DIAG_RETURNCODE, &returned, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(returned, SQL_ERROR);
  char field[64];
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, SQL_DIAG_SQLSTATE, field, sizeof field, &length), SQL_SUCCESS);
  EXPECT_STREQ(field, "42S02");
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, SQL_DIAG_SUBCLASS_ORIGIN, field, sizeof field, &length),
            SQL_SUCCESS);
  EXPECT_STREQ(field, "ODBC 3.0");
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 1, 31999, field, sizeof field, &length), SQL_ERROR);
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_STMT, stmt, 2, SQL_DIAG_SQLSTATE, field, sizeof field, &length),
            SQL_NO_DATA);
  EXPECT_EQ(d.SQLGetDiagField(SQL_HANDLE_DBC, dbc, 0, SQL_DIAG_ROW_COUNT, field, 0, nullptr), SQL_ERROR);
  // SQLError hands each record out once; SQLGetDiagRec still sees it.
  EXPECT_EQ(d.SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(d.SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length), SQL_NO_DATA);
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, nullptr, 0, &length), SQL_SUCCESS_WITH_INFO);
  // The next call clears them.
  ASSERT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"select 1", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(d.SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, message, sizeof message, &length), SQL_NO_DATA);
  EXPECT_EQ(d.SQLError(nullptr, dbc, nullptr, state, &native, message, sizeof message, &length), SQL_NO_DATA);
}

TEST_F(EntryTest, Odbc2EnvironmentsSeeOdbc2DateCodes) {
  SQLHENV env2;
  SQLHDBC dbc2;
  SQLHSTMT stmt;
  ASSERT_EQ(d.SQLAllocEnv(&env2), SQL_SUCCESS);
  ASSERT_EQ(d.SQLSetEnvAttr(env2, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC2, 0), SQL_SUCCESS);
  ASSERT_EQ(d.SQLAllocConnect(env2, &dbc2), SQL_SUCCESS);
  TestConnection options;
  options.folder = folder.path().toStdString();
  const std::string text = ConnectionString(options);
  ASSERT_EQ(d.SQLDriverConnect(dbc2, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS);
  ASSERT_EQ(d.SQLAllocStmt(dbc2, &stmt), SQL_SUCCESS);
  ASSERT_EQ(d.SQLExecDirect(stmt, (SQLCHAR*)"create table t(d date, tm time, ts timestamp); select * from t", SQL_NTS),
            SQL_SUCCESS);
  ASSERT_EQ(d.SQLMoreResults(stmt), SQL_SUCCESS);
  SQLSMALLINT type = 0;
  for (SQLUSMALLINT c = 1; c <= 3; ++c) {
    ASSERT_EQ(d.SQLDescribeCol(stmt, c, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_DATE + c - 1);
  }
  EXPECT_EQ(d.SQLTransact(nullptr, dbc2, SQL_ROLLBACK), SQL_SUCCESS);
  EXPECT_EQ(d.SQLDisconnect(dbc2), SQL_SUCCESS);
  EXPECT_EQ(d.SQLFreeConnect(dbc2), SQL_SUCCESS);
  EXPECT_EQ(d.SQLFreeEnv(env2), SQL_SUCCESS);
}

}  // namespace
}  // namespace orva::testdriver::test
