#pragma once
// Cancels the statement of one result set, or of one run that opens several
// sets one after another, from another thread. The statement is attached while
// it lives and detached before it is freed, under the same lock as the cancel,
// so a cancel never reaches a freed or foreign statement. A cancel is sticky:
// a statement attached after it does not start executing.

#include <sql.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace orva {

class CCancelHandle {
 public:
  static std::shared_ptr<CCancelHandle> Create() { return std::make_shared<CCancelHandle>(); }

  // Marks the handle cancelled and interrupts the attached statement, if any.
  // Returns true when a statement was told to stop.
  bool Cancel();
  bool IsCancelled() const { return m_cancelled.load(); }
  // Clears the cancelled mark for the next run.
  void Reset() { m_cancelled = false; }

  void Attach(SQLHSTMT hstmt);
  // Detaches only when hstmt is the attached statement.
  void Detach(SQLHSTMT hstmt);

 private:
  std::mutex m_lock;
  SQLHSTMT m_hstmt = SQL_NULL_HSTMT;
  std::atomic<bool> m_cancelled{false};
};

}  // namespace orva
