#include "db/recordset.h"

#include <sqlext.h>

#include "db/database.h"
#include "db/dbexception.h"
#include "db/odbcenv.h"

namespace orva {

CRecordset::CRecordset(CDatabase* database) : m_pDatabase(database), m_cancel(CCancelHandle::Create()) {
  if (m_pDatabase) {
    m_charset = m_pDatabase->Charset();
    m_pDatabase->RegisterRecordset(this);
    if (m_pDatabase->IsOpen()) {
      try {
        AllocStatement();
      } catch (...) {
        m_pDatabase->UnregisterRecordset(this);
        throw;
      }
    }
  }
}

CRecordset::~CRecordset() {
  FreeStatement();
  if (m_pDatabase) m_pDatabase->UnregisterRecordset(this);
}

void CRecordset::Close() {
  FreeStatement();
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
  FreeStatement();
  m_bOpen = false;
  m_bEOF = m_bBOF = true;
  m_pDatabase = nullptr;
}

void CRecordset::ThrowStatementError(SQLRETURN rc) const {
  throw CDBException::FromHandle(rc, SQL_HANDLE_STMT, m_hstmt, m_charset);
}

void CRecordset::CheckStatement(SQLRETURN rc) const {
  if (!Succeeded(rc)) ThrowStatementError(rc);
}

void CRecordset::MoveNext() {
  if (m_bEOF) return;
  if (m_hstmt == SQL_NULL_HSTMT) throw CDBException(SQL_ERROR, "The result set is closed.\n");
  SQLRETURN rc = CallWhileExecuting([&] { return SQLFetch(m_hstmt); });
  if (rc == SQL_NO_DATA) {
    m_bEOF = true;
    return;
  }
  CheckStatement(rc);
  m_bBOF = false;
  AfterFetch();
}

}  // namespace orva
