#include "db/dbconnection.h"

#include <sqlext.h>

#include <mutex>

#include "db/connectstring.h"
#include "db/dbexception.h"
#include "db/driverhint.h"
#include "db/odbcsources.h"
#include "db/odbcenv.h"
#include "db/recordsetex.h"
#include "platform/codec.h"
#include "platform/messagebox.h"

namespace orva {
namespace {

std::mutex g_promptLock;
CDBConnection::ConnectPrompt g_prompt;

// The set opened last and its cancel handle; the handle is held here so that
// a cancel from another thread never touches a destroyed set.
std::mutex g_currentLock;
CRecordsetEx* g_currentSet = nullptr;
std::shared_ptr<CCancelHandle> g_currentCancel;

void SetCurrent(CRecordsetEx* set) {
  std::lock_guard<std::mutex> lock(g_currentLock);
  g_currentSet = set;
  g_currentCancel = set ? set->GetCancelHandle() : nullptr;
}

// Error boxes show at most the first 511 bytes of the text.
void ShowDatabaseError(const CDBException& error) {
  ShowErrorBoxGbk(CutAtCharBoundary(error.m_strError, 511));
}

}  // namespace

void CDBConnection::SetConnectPrompt(ConnectPrompt prompt) {
  std::lock_guard<std::mutex> lock(g_promptLock);
  g_prompt = std::move(prompt);
}

CDBConnection::CDBConnection() { SetCurrent(nullptr); }

CDBConnection::~CDBConnection() { Close(); }

bool CDBConnection::Open(std::string_view connect) {
  m_strConnect = std::string(connect);
  Close();
  m_pDatabase = std::make_unique<CDatabase>();
  try {
    return Connect();
  } catch (const CDBException& error) {
    // When the named driver is not installed, the user is told which one and
    // what to install, before the driver manager's own words.
    const std::string missing = MissingDriverMessage(connect, InstalledDrivers());
    if (!missing.empty())
      ShowMessageBoxGbk(missing + "\n\n" + std::string(CutAtCharBoundary(error.m_strError, 511)), QStringLiteral("ORVA"),
                        MbIcon::Warning);
    else
      ShowDatabaseError(error);
  } catch (...) {
    ShowMessageBox(QString::fromUtf8("未知错误，无法打开指定数据源。请重新再试"), QStringLiteral("ORVA"), MbIcon::Error);
  }
  m_pDatabase.reset();
  return false;
}

bool CDBConnection::Connect() {
  if (!m_pDatabase) m_pDatabase = std::make_unique<CDatabase>();
  m_pDatabase->SetLoginTimeout(m_nLoginTimeout);

  std::string connect = m_strConnect;
  if (connect.empty()) {
    ConnectPrompt prompt;
    {
      std::lock_guard<std::mutex> lock(g_promptLock);
      prompt = g_prompt;
    }
    std::optional<std::string> completed = prompt ? prompt() : std::nullopt;
    if (!completed || completed->empty()) {
      m_pDatabase.reset();
      return false;
    }
    connect = *completed;
  }
  try {
    m_pDatabase->OpenEx(connect);
  } catch (...) {
    m_pDatabase.reset();
    throw;
  }

  m_pDatabase->SetQueryTimeout(0);
  // The password is not kept: a reconnect asks for it again.
  m_bPasswordTyped = ConnectStringHasPassword(connect);
  m_strConnect = ConnectStringWithoutPassword(m_pDatabase->GetConnect());
  DataSourceNames names = ParseCompletedConnectString(m_strConnect);
  m_strDataSource = names.dataSource;
  m_strUser = names.user;

  m_strDbmsName = m_pDatabase->GetInfoText(SQL_DBMS_NAME);
  m_nKind = DbmsKindFromName(m_strDbmsName);
  m_bHasDatabases = KindHasDatabases(m_nKind);
  m_bCanCountRows = m_pDatabase->HasFunction(SQL_API_SQLROWCOUNT);
  m_bMultipleResults = MultipleResultsAnswer(m_pDatabase->GetInfoText(SQL_MULT_RESULT_SETS));
  m_bCanCancel = m_pDatabase->HasFunction(SQL_API_SQLCANCEL);
  if (m_bHasDatabases) m_strCurrentDatabase = m_pDatabase->GetDatabaseName();
  m_identifierStyle.quote = m_pDatabase->GetInfoText(SQL_IDENTIFIER_QUOTE_CHAR);
  SQLUSMALLINT identifierCase = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(m_pDatabase->Handle(), SQL_IDENTIFIER_CASE, &identifierCase, sizeof identifierCase, nullptr)))
    m_identifierStyle.identifierCase = identifierCase;
  return true;
}

void CDBConnection::Reconnect(std::string_view password) {
  const std::string stored = m_strConnect;
  const std::string database = m_strCurrentDatabase;
  const bool typed = m_bPasswordTyped;
  std::string connect = stored;
  if (typed && !password.empty()) {
    if (!connect.empty() && connect.back() != ';') connect += ';';
    // Braces keep a ";" or "}" of the password inside the value.
    std::string value;
    for (char c : password) value += c == '}' ? std::string("}}") : std::string(1, c);
    connect += "PWD={" + value + "};";
  }
  Close();
  m_strConnect = connect;
  try {
    Connect();
  } catch (...) {
    // The link stays present but closed: the next statement tries to connect
    // again and reports why it cannot.
    m_strConnect = stored;
    m_bPasswordTyped = typed;
    m_pDatabase = std::make_unique<CDatabase>();
    throw;
  }
  m_bPasswordTyped = typed;
  if (m_bHasDatabases && !database.empty() && ToUpperGbk(database) != ToUpperGbk(m_strCurrentDatabase))
    UseDatabase(database);
}

bool CDBConnection::IsLinkDead() const {
  if (!m_pDatabase || !m_pDatabase->IsOpen()) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(SQLGetConnectAttr(m_pDatabase->Handle(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

void CDBConnection::Close() {
  if (!m_pDatabase) return;
  m_pDatabase->Close();
  m_pDatabase.reset();
}

bool CDBConnection::IsOpen() const { return m_pDatabase && m_pDatabase->IsOpen(); }

bool CDBConnection::EnsureConnected() {
  if (!m_pDatabase) return false;
  if (m_pDatabase->IsOpen()) return true;
  return Connect();
}

std::int32_t CDBConnection::Execute(std::string_view sql) {
  if (!EnsureConnected()) return 0;
  CDatabase& db = *m_pDatabase;
  StatementHandle stmt(db.Handle(), db.Charset());
  try {
    std::string text = db.Charset().ToDriver(sql);
    SQLRETURN rc = CallWhileExecuting([&] {
      return SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    });
    if (rc != SQL_NO_DATA) CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), db.Charset());
    SQLLEN count = -1;
    CheckOdbc(SQLRowCount(stmt.get(), &count), SQL_HANDLE_STMT, stmt.get(), db.Charset());
    return static_cast<std::int32_t>(count);
  } catch (...) {
    SQLCancel(stmt.get());
    throw;
  }
}

int CDBConnection::OpenResultSet(std::string_view sql, CRecordsetEx*& set, std::shared_ptr<CCancelHandle> runCancel) {
  set = nullptr;
  if (!EnsureConnected()) return -1;
  auto opened = std::make_unique<CRecordsetEx>(m_pDatabase.get());
  if (runCancel) opened->UseCancelHandle(std::move(runCancel));
  SetCurrent(opened.get());
  if (!opened->Open(CRecordset::forwardOnly, sql, CRecordset::readOnly | CRecordset::executeDirect)) return -1;
  set = opened.release();
  return 1;
}

void CDBConnection::CloseResultSet(CRecordsetEx* set) {
  if (!set) return;
  try {
    set->Close();
  } catch (...) {
  }
  delete set;  // also forgets it as the current set
}

void CDBConnection::CancelCurrentResultSet() {
  std::shared_ptr<CCancelHandle> cancel;
  {
    std::lock_guard<std::mutex> lock(g_currentLock);
    cancel = g_currentCancel;
  }
  if (cancel) cancel->Cancel();
}

CRecordsetEx* CDBConnection::CurrentResultSet() {
  std::lock_guard<std::mutex> lock(g_currentLock);
  return g_currentSet;
}

void CDBConnection::ForgetResultSet(CRecordsetEx* set) {
  std::lock_guard<std::mutex> lock(g_currentLock);
  if (g_currentSet == set) {
    g_currentSet = nullptr;
    g_currentCancel.reset();
  }
}

bool CDBConnection::UseDatabase(std::string_view name) {
  if (!m_bHasDatabases || name.empty() || !m_pDatabase) return false;
  try {
    // The name is quoted as the driver wants, so any database name works and
    // none can add a statement of its own.
    m_pDatabase->ExecuteSQL("use " + QuoteIdentifier(name, m_identifierStyle));
  } catch (const CDBException& error) {
    ShowDatabaseError(error);
    return false;
  }
  m_strCurrentDatabase = std::string(name);
  return true;
}

std::string CDBConnection::GetProcedureText(std::string_view name) {
  std::string result;
  CRecordsetEx* set = nullptr;
  try {
    if (OpenResultSet("sp_helptext " + std::string(name), set) != 1) return result;
    std::string line;
    while (!set->IsEOF()) {
      set->GetFieldText(0, line);
      result += line;
      set->MoveNext();
    }
  } catch (const CDBException& error) {
    ShowDatabaseError(error);
  }
  CloseResultSet(set);
  return result;
}

}  // namespace orva
