#include "db/odbcenv.h"

#include <sqlext.h>

#include <atomic>
#include <mutex>

#include "db/dbexception.h"
#include "db/drivercharset.h"

namespace orva {
namespace {
std::mutex g_envLock;
SQLHENV g_env = SQL_NULL_HENV;
std::atomic<long> g_connections{0};
std::atomic<long> g_statements{0};
}  // namespace

SQLHENV SharedEnvironment() {
  std::lock_guard<std::mutex> lock(g_envLock);
  if (g_env != SQL_NULL_HENV) return g_env;
  SQLHENV env = SQL_NULL_HENV;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  if (!Succeeded(rc)) throw CDBException(rc, "Unable to allocate the ODBC environment.\n");
  rc = SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
  if (!Succeeded(rc)) {
    CDBException error = CDBException::FromHandle(rc, SQL_HANDLE_ENV, env, DriverCharset());
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw error;
  }
  g_env = env;
  return g_env;
}

SQLHDBC AllocConnectionHandle() {
  SQLHENV env = SharedEnvironment();
  SQLHDBC hdbc = SQL_NULL_HDBC;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env, &hdbc);
  if (!Succeeded(rc)) throw CDBException::FromHandle(rc, SQL_HANDLE_ENV, env, DriverCharset());
  ++g_connections;
  return hdbc;
}

void FreeConnectionHandle(SQLHDBC hdbc) {
  if (hdbc == SQL_NULL_HDBC) return;
  SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
  --g_connections;
}

SQLHSTMT AllocStatementHandle(SQLHDBC hdbc, const DriverCharset& charset) {
  SQLHSTMT hstmt = SQL_NULL_HSTMT;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt);
  if (!Succeeded(rc)) throw CDBException::FromHandle(rc, SQL_HANDLE_DBC, hdbc, charset);
  ++g_statements;
  return hstmt;
}

void FreeStatementHandle(SQLHSTMT hstmt) {
  if (hstmt == SQL_NULL_HSTMT) return;
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  --g_statements;
}

long LiveConnectionHandles() { return g_connections.load(); }
long LiveStatementHandles() { return g_statements.load(); }

}  // namespace orva
