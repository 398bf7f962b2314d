#pragma once
// Cancels the statement of one result set, or of one run that opens several
// sets one after another, from another thread. The statement is attached while
// it lives and detached before it is freed, under the same lock as the cancel,
// so a cancel never reaches a freed or foreign statement. A cancel is sticky:
// a statement attached after it does not start executing.
//
// Only a driver call in flight is interrupted, and only once per run: the
// worker brackets its long calls with BeginCall/EndCall, and a cancel that
// finds no call in flight just leaves the mark for the worker to see. So no
// SQLCancel ever reaches a statement whose call has returned (it would clear
// the diagnostics the worker is about to read), and a cancel that lands just
// before a call starts is neither lost nor sent to an idle statement.

#include <sql.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace orva {

class CCancelHandle {
 public:
  static std::shared_ptr<CCancelHandle> Create() { return std::make_shared<CCancelHandle>(); }

  // Marks the handle cancelled and interrupts the driver call in flight on
  // the attached statement, if any and if none was interrupted yet in this
  // run. May wait a moment for a call that has only just begun. Returns true
  // when a statement was told to stop.
  bool Cancel();
  bool IsCancelled() const { return m_cancelled.load(); }
  // Clears the cancelled mark for the next run.
  void Reset();

  void Attach(SQLHSTMT hstmt);
  // Detaches only when hstmt is the attached statement.
  void Detach(SQLHSTMT hstmt);

  // Brackets a driver call on the attached statement. BeginCall returns false
  // (and the call must not be made) when `refuseWhenCancelled` and the handle
  // is already cancelled; the check and the start are one step for Cancel.
  bool BeginCall(bool refuseWhenCancelled);
  void EndCall();

  // Called on the worker just before each bracketed call goes to the driver
  // (tests land a cancel at exactly that moment).
  void SetCallStartObserver(std::function<void()> observer) { m_callStartObserver = std::move(observer); }

 private:
  std::mutex m_lock;
  std::condition_variable m_callEnded;
  SQLHSTMT m_hstmt = SQL_NULL_HSTMT;
  bool m_inCall = false;
  bool m_sent = false;  // this run's statement was told to stop
  std::chrono::steady_clock::time_point m_callStart;
  std::atomic<bool> m_cancelled{false};
  std::function<void()> m_callStartObserver;
};

}  // namespace orva
