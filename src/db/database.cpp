#include "db/database.h"

#include <odbcinst.h>
#include <sqlext.h>

#include <algorithm>
#include <vector>

#include "db/connectstring.h"
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

bool MentionsCursorLibrary(const std::string& text) {
  return ToLowerGbk(text).find("cursor lib") != std::string::npos;
}

// An entry of the driver manager's odbc.ini or odbcinst.ini; empty when absent.
std::string ProfileValue(const std::string& section, const char* key, const char* file) {
  if (section.empty()) return {};
  char value[1024] = {};
  if (SQLGetPrivateProfileString(section.c_str(), key, "", value, static_cast<int>(sizeof value), file) <= 0) return {};
  return value;
}

// A driver given by a path rather than by its installed name.
bool IsLibraryPath(std::string_view driver) {
  return driver.find('/') != std::string_view::npos || driver.ends_with(".so") ||
         driver.find(".so.") != std::string_view::npos;
}

std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void AppendKeyword(std::string& connect, std::string_view keyword) {
  if (!connect.empty() && connect.back() != ';') connect += ';';
  connect.append(keyword);
}

// The rows of a result in fetches of this many rows when a driver is asked
// to stream: few round trips, a few megabytes held at a time.
constexpr const char* kStreamingFetchRows = "10000";

}  // namespace

std::string DriverLibraryOf(std::string_view connect) {
  std::string driver = ConnectStringKeyValue(connect, "DRIVER");
  if (driver.empty()) driver = ProfileValue(ConnectStringKeyValue(connect, "DSN"), "Driver", "odbc.ini");
  if (driver.empty() || IsLibraryPath(driver)) return driver;
  return ProfileValue(driver, "Driver", "odbcinst.ini");
}

std::string StreamingKeywords(std::string_view driverLibrary, const DriverSetting& setting) {
  // Both drivers below otherwise read the whole result into memory at
  // execution: a million rows then show only after all of them have arrived,
  // and the driver holds a second copy of them (over a gigabyte) while the
  // grid fills.
  const std::string_view library = BaseName(driverLibrary);
  std::string keywords;
  if (library.starts_with("libsqlite3odbc")) {
    // The SQLite3 driver steps the statement row by row. Reads of the file
    // are the same; only an open read holds its shared lock until the set is
    // closed, which the grid does as soon as the last row is read.
    if (setting("StepAPI").empty()) keywords = "StepAPI=1;";
  } else if (library.starts_with("psqlodbc")) {
    // The PostgreSQL driver declares a cursor for a SELECT and fetches it in
    // slices. In autocommit the cursor runs in a transaction of its own that
    // ends when the set is closed; what a script's own BEGIN, COMMIT and
    // ROLLBACK do is unchanged, and texts of several statements and
    // statements other than a SELECT run as before. A SELECT no longer
    // reports its row count in advance, which the grids do not use (they
    // count the rows they receive).
    if (setting("UseDeclareFetch").empty()) {
      keywords = "UseDeclareFetch=1;";
      if (setting("Fetch").empty()) keywords += std::string("Fetch=") + kStreamingFetchRows + ";";
    }
  }
  return keywords;
}

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
  std::string requested(connect);
  const std::string dataSource = ConnectStringKeyValue(connect, "DSN");
  AppendKeyword(requested, StreamingKeywords(DriverLibraryOf(connect), [&](std::string_view key) {
    std::string value = ConnectStringKeyValue(connect, key);
    if (value.empty()) value = ProfileValue(dataSource, std::string(key).c_str(), "odbc.ini");
    return value;
  }));
  const std::string driverConnect = m_charset.ToDriver(requested);

  for (bool useCursorLibrary : {true, false}) {
    m_hdbc = AllocConnectionHandle();
    SQLSetConnectAttr(m_hdbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_dwLoginTimeout)), 0);
    // The cursor library is requested only where the driver lacks scrolling
    // of its own; nothing here relies on it (it refuses fetches without bound
    // columns, which is how every result set here reads).
    bool requested = useCursorLibrary &&
                     Succeeded(SQLSetConnectAttr(m_hdbc, SQL_ATTR_ODBC_CURSORS,
                                                 reinterpret_cast<SQLPOINTER>(SQL_CUR_USE_IF_NEEDED), 0));
    SQLRETURN rc = DriverConnect(driverConnect, m_strConnect);
    if (Succeeded(rc)) {
      m_bConnected = true;
      return;
    }
    CDBException error = CDBException::FromHandle(rc, SQL_HANDLE_DBC, m_hdbc, m_charset);
    FreeConnectionHandle(m_hdbc);
    m_hdbc = SQL_NULL_HDBC;
    if (!requested || !MentionsCursorLibrary(error.m_strError)) throw error;
  }
}

void CDatabase::Close() {
  {
    // Under the lock: a set closed or destroyed by another thread meanwhile
    // frees its statement under the same lock, so each statement is freed
    // exactly once and no set is touched after its destruction.
    std::lock_guard<std::mutex> lock(m_setsLock);
    for (CRecordset* set : m_sets) set->DetachFromDatabase();
    m_sets.clear();
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

void CDatabase::RegisterRecordset(CRecordset* set) {
  std::lock_guard<std::mutex> lock(m_setsLock);
  m_sets.insert(set);
}

void CDatabase::UnregisterRecordset(CRecordset* set) {
  std::lock_guard<std::mutex> lock(m_setsLock);
  m_sets.erase(set);
}

bool CDatabase::ReleaseRecordset(CRecordset* set, bool forget) {
  std::lock_guard<std::mutex> lock(m_setsLock);
  auto it = m_sets.find(set);
  if (it == m_sets.end()) return false;
  set->FreeStatementHandleOnly();
  if (forget) m_sets.erase(it);
  return true;
}

}  // namespace orva
