#include "db/cancelhandle.h"

namespace orva {

namespace {
// A call that has only just been started may not yet have reached the point
// in the driver where a cancel takes effect; a cancel sent earlier would find
// an idle statement and be lost. The cancel waits until the call has been
// under way this long (or has returned).
constexpr std::chrono::milliseconds kCallSettle{20};
}  // namespace

bool CCancelHandle::Cancel() {
  std::unique_lock<std::mutex> lock(m_lock);
  m_cancelled = true;
  if (m_sent || !m_inCall || m_hstmt == SQL_NULL_HSTMT) return false;
  m_callEnded.wait_until(lock, m_callStart + kCallSettle, [this] { return !m_inCall || m_sent; });
  if (m_sent || !m_inCall || m_hstmt == SQL_NULL_HSTMT) return false;
  // Under the lock: EndCall waits for it, so the call cannot have returned.
  SQLCancel(m_hstmt);
  m_sent = true;
  return true;
}

void CCancelHandle::Reset() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_cancelled = false;
  m_sent = false;
}

bool CCancelHandle::BeginCall(bool refuseWhenCancelled) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (refuseWhenCancelled && m_cancelled.load()) return false;
    m_inCall = true;
    m_callStart = std::chrono::steady_clock::now();
  }
  if (m_callStartObserver) m_callStartObserver();
  return true;
}

void CCancelHandle::EndCall() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_inCall = false;
  }
  m_callEnded.notify_all();
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
