#pragma once
// The one ODBC environment of the process and the allocation of connection
// and statement handles on it. The environment is created under a lock by the
// first connection and kept for the life of the process. It declares ODBC 2
// behaviour, so drivers report dates, times and timestamps as the SQL types
// 9, 10 and 11.
//
// Every handle allocated here is counted, so that tests can prove that no
// path leaks one.

#include <sql.h>

namespace orva {

class DriverCharset;

// The shared environment; allocates it on first use. Throws CDBException when
// the driver manager cannot provide one.
SQLHENV SharedEnvironment();

// Allocates a connection handle on the shared environment; throws on failure.
SQLHDBC AllocConnectionHandle();
void FreeConnectionHandle(SQLHDBC hdbc);

// Allocates a statement handle on an open connection; throws on failure with
// the connection's diagnostics.
SQLHSTMT AllocStatementHandle(SQLHDBC hdbc, const DriverCharset& charset);
void FreeStatementHandle(SQLHSTMT hstmt);

// Handles currently allocated by this process through the functions above.
long LiveConnectionHandles();
long LiveStatementHandles();

// Calls an ODBC function again for as long as the driver answers
// SQL_STILL_EXECUTING.
template <typename Call>
SQLRETURN CallWhileExecuting(Call call) {
  SQLRETURN rc;
  do {
    rc = call();
  } while (rc == SQL_STILL_EXECUTING);
  return rc;
}

// Frees a statement handle when it leaves scope, on every path.
class StatementHandle {
 public:
  StatementHandle(SQLHDBC hdbc, const DriverCharset& charset) : m_hstmt(AllocStatementHandle(hdbc, charset)) {}
  ~StatementHandle() { FreeStatementHandle(m_hstmt); }
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;
  SQLHSTMT get() const { return m_hstmt; }

 private:
  SQLHSTMT m_hstmt;
};

}  // namespace orva
