#include "db/database.h"

#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "db/dbexception.h"
#include "db/odbcenv.h"
#include "db/recordset.h"
#include "platform/codec.h"

namespace orva {
namespace {

// Completed connection strings longer than this are not taken over; the
// requested string is kept instead of a cut one.
constexpr SQLSMALLINT kCompletedBuffer = 8192;
// SQLGetInfo texts longer than this are treated as a broken answer.
constexpr SQLSMALLINT kMaxInfoText = 16000;

// A connection handle with the login timeout set. The driver manager's
// cursor library is not requested: it would be loaded only for a driver
// without scrolling of its own (the Access driver), and there it refuses
// every fetch without bound columns, which is how every result set here
// reads, so no query on such a driver would show a row.
SQLHDBC NewConnectionHandle(std::uint32_t loginTimeout) {
  SQLHDBC hdbc = AllocConnectionHandle();
  SQLSetConnectAttr(hdbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeout)), 0);
  return hdbc;
}

}  // namespace

CDatabase::CDatabase() = default;

CDatabase::~CDatabase() { Close(); }

SQLRETURN CDatabase::DriverConnect(const std::string& driverConnect, std::string& completed) {
  std::vector<SQLCHAR> out(kCompletedBuffer);
  SQLSMALLINT outLength = 0;
  SQLRETURN rc;
  do {
    rc = SQLDriverConnect(m_hdbc, nullptr,
                          reinterpret_cast<SQLCHAR*>(const_cast<char*>(driverConnect.c_str())),
                          static_cast<SQLSMALLINT>(driverConnect.size()), out.data(), kCompletedBuffer,
                          &outLength, SQL_DRIVER_NOPROMPT);
  } while (rc == SQL_STILL_EXECUTING);
  if (Succeeded(rc)) {
    if (outLength >= 0 && outLength < kCompletedBuffer)
      completed = m_charset.ToGbk(std::string_view(reinterpret_cast<const char*>(out.data()),
                                                   static_cast<size_t>(outLength)));
  }
  return rc;
}

void CDatabase::OpenEx(std::string_view connect) {
  Close();
  m_charset = DriverCharset::FromSettings();
  m_strConnect = std::string(connect);
  // The string goes to the driver as the user wrote it. The SQLite3 and
  // PostgreSQL drivers hold a whole result in memory before handing over
  // its first row; both have a mode that hands rows over as they are fetched
  // (StepAPI=1; UseDeclareFetch=1 with Fetch=N), which a user may choose in
  // the connection string. ORVA does not choose it for them: in either mode
  // a statement that begins with WITH and changes data is no longer carried
  // out (the SQLite3 driver skips it, the PostgreSQL driver wraps it in a
  // cursor and the server refuses it).
  const std::string driverConnect = m_charset.ToDriver(connect);

  m_hdbc = NewConnectionHandle(m_dwLoginTimeout);
  SQLRETURN rc = DriverConnect(driverConnect, m_strConnect);
  if (Succeeded(rc)) {
    m_bConnected = true;
    return;
  }
  CDBException error = CDBException::FromHandle(rc, SQL_HANDLE_DBC, m_hdbc, m_charset);
  FreeConnectionHandle(m_hdbc);
  m_hdbc = SQL_NULL_HDBC;
  throw error;
}

void CDatabase::Close() {
  {
    // Under the lock: a set closed or destroyed by another thread meanwhile
    // frees its statement under the same lock, so each statement is freed
    // exactly once and no set is touched after its destruction.
    m_sets->DetachAll();
  }
  if (m_hdbc == SQL_NULL_HDBC) return;
  if (m_bConnected) SQLDisconnect(m_hdbc);
  m_bConnected = false;
  FreeConnectionHandle(m_hdbc);
  m_hdbc = SQL_NULL_HDBC;
}

void CDatabase::ExecuteSQL(std::string_view sql) {
  StatementHandle stmt(m_hdbc, m_charset);
  std::string text = m_charset.ToDriver(sql);
  SQLRETURN rc;
  do {
    rc = SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
  } while (rc == SQL_STILL_EXECUTING);
  if (rc == SQL_NO_DATA) return;
  CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), m_charset);
  // Discard every further result, so errors of later statements surface.
  for (;;) {
    rc = SQLMoreResults(stmt.get());
    if (rc == SQL_STILL_EXECUTING) continue;
    if (rc == SQL_NO_DATA) break;
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), m_charset);
  }
}

std::string CDatabase::GetInfoText(SQLUSMALLINT infoType) const {
  if (m_hdbc == SQL_NULL_HDBC) return {};
  std::vector<char> buffer(256);
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQLGetInfo(m_hdbc, infoType, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length);
  if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(buffer.size()) && length < kMaxInfoText) {
    buffer.resize(static_cast<size_t>(length) + 1);
    rc = SQLGetInfo(m_hdbc, infoType, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length);
  }
  if (!Succeeded(rc) || length <= 0) return {};
  size_t used = std::min(static_cast<size_t>(length), buffer.size() - 1);
  return m_charset.ToGbk(std::string_view(buffer.data(), used));
}

bool CDatabase::HasFunction(SQLUSMALLINT functionId) const {
  if (m_hdbc == SQL_NULL_HDBC) return false;
  SQLUSMALLINT supported = SQL_FALSE;
  return Succeeded(SQLGetFunctions(m_hdbc, functionId, &supported)) && supported == SQL_TRUE;
}

std::shared_ptr<CRecordsetRegistry> CDatabase::RegisterRecordset(CRecordset* set) {
  m_sets->Add(set);
  return m_sets;
}

void CRecordsetRegistry::Add(CRecordset* set) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_sets.insert(set);
}

void CRecordsetRegistry::Remove(CRecordset* set) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_sets.erase(set);
}

bool CRecordsetRegistry::Release(CRecordset* set, bool forget, bool markClosed) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_sets.find(set);
  if (it == m_sets.end()) return false;
  set->FreeStatementHandleOnly();
  if (markClosed) set->MarkClosed();
  if (forget) m_sets.erase(it);
  return true;
}

void CRecordsetRegistry::DetachAll() {
  std::lock_guard<std::mutex> lock(m_lock);
  for (CRecordset* set : m_sets) set->DetachFromDatabase();
  m_sets.clear();
}

}  // namespace orva
