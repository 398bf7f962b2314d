#include "db/cancelhandle.h"

namespace orva {

bool CCancelHandle::Cancel() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_cancelled = true;
  if (m_hstmt == SQL_NULL_HSTMT) return false;
  SQLCancel(m_hstmt);
  return true;
}

void CCancelHandle::Attach(SQLHSTMT hstmt) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_hstmt = hstmt;
}

void CCancelHandle::Detach(SQLHSTMT hstmt) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_hstmt == hstmt) m_hstmt = SQL_NULL_HSTMT;
}

}  // namespace orva
