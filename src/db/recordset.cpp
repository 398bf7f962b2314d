#include "db/recordset.h"

#include <sqlext.h>

#include "db/database.h"
#include "db/dbexception.h"
#include "db/odbcenv.h"

namespace orva {

CRecordset::CRecordset(CDatabase* database) : m_pDatabase(database), m_cancel(CCancelHandle::Create()) {
  if (m_pDatabase) {
    m_charset = m_pDatabase->Charset();
    m_registry = m_pDatabase->RegisterRecordset(this);
    if (m_pDatabase->IsOpen()) {
      try {
        AllocStatement();
      } catch (...) {
        m_registry->Remove(this);
        throw;
      }
    }
  }
}

CRecordset::~CRecordset() {
  if (m_registry) m_registry->Release(this, true);
  FreeStatementHandleOnly();
}

void CRecordset::Close() {
  // Under the link's lock while registered: its Close on another thread may
  // be detaching this set at the same moment.
  if (m_registry && m_registry->Release(this, false, true)) return;
  FreeStatementHandleOnly();
  MarkClosed();
}

void CRecordset::MarkClosed() {
  m_bOpen = false;
  m_bEOF = m_bBOF = true;
}

void CRecordset::AllocStatement() {
  if (m_hstmt != SQL_NULL_HSTMT) return;
  if (!m_pDatabase || !m_pDatabase->IsOpen()) throw CDBException(SQL_ERROR, "The connection is not open.\n");
  m_hstmt = AllocStatementHandle(m_pDatabase->Handle(), m_charset);
  m_cancel->Attach(m_hstmt);
}

void CRecordset::FreeStatement() {
  // A registered set frees its statement under the link's lock, as a Close
  // of the link on another thread may be freeing it at this moment.
  if (m_registry && m_registry->Release(this, false)) return;
  FreeStatementHandleOnly();
}

void CRecordset::FreeStatementHandleOnly() {
  if (m_hstmt == SQL_NULL_HSTMT) return;
  // Detach first: a cancel from another thread then finds no statement
  // instead of a freed one.
  m_cancel->Detach(m_hstmt);
  FreeStatementHandle(m_hstmt);
  m_hstmt = SQL_NULL_HSTMT;
}

void CRecordset::UseCancelHandle(std::shared_ptr<CCancelHandle> handle) {
  if (!handle) return;
  if (m_hstmt != SQL_NULL_HSTMT) m_cancel->Detach(m_hstmt);
  m_cancel = std::move(handle);
  if (m_hstmt != SQL_NULL_HSTMT) m_cancel->Attach(m_hstmt);
}

void CRecordset::DetachFromDatabase() {
  FreeStatementHandleOnly();
  MarkClosed();
  m_pDatabase = nullptr;
}

void CRecordset::ThrowStatementError(SQLRETURN rc) const {
  throw CDBException::FromHandle(rc, SQL_HANDLE_STMT, m_hstmt, m_charset);
}

void CRecordset::ThrowCancelled() { throw CDBException(SQL_ERROR, "Operation canceled.\n"); }

void CRecordset::CheckStatement(SQLRETURN rc) const {
  if (!Succeeded(rc)) ThrowStatementError(rc);
}

void CRecordset::MoveNext() {
  if (m_bEOF) return;
  if (m_hstmt == SQL_NULL_HSTMT) throw CDBException(SQL_ERROR, "The result set is closed.\n");
  SQLRETURN rc = CallCancellable([&] { return SQLFetch(m_hstmt); }, false);
  if (rc == SQL_NO_DATA) {
    m_bEOF = true;
    return;
  }
  CheckStatement(rc);
  m_bBOF = false;
  AfterFetch();
}

}  // namespace orva
