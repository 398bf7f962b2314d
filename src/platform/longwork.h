#pragma once
// Long work off the GUI thread (saving a grid, reading a table, filling a
// large folder): the work runs on its own thread; once it has taken longer
// than half a second, the status bar of the main window that holds the
// anchor widget shows its text, a progress bar and a "取消" button until it
// ends. The GUI stays usable meanwhile.
//
// The work must not wait for the GUI thread (no message boxes, no
// RunOnGuiThread): the GUI thread may wait for it in EndLongWorkUsing.
// Whatever it has to tell the user, `finished` does on the GUI thread.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class QWidget;

namespace orva {

// What the work sees of itself.
class LongWorkControl {
 public:
  bool Cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
  // `done` of `total` steps; the bar shows the share (a busy bar while the
  // total is not known, 0).
  void SetProgress(std::int64_t done, std::int64_t total) {
    m_total.store(total, std::memory_order_relaxed);
    m_done.store(done, std::memory_order_relaxed);
  }

  // The status-bar text from now on (the request's text until then).
  void SetText(const QString& text);
  // Runs `action` when the work is cancelled, on the cancelling thread (at
  // once when it already is): e.g. to interrupt a statement that is running.
  void SetCancelAction(std::function<void()> action);

  void Cancel();
  std::int64_t Done() const { return m_done.load(std::memory_order_relaxed); }
  std::int64_t Total() const { return m_total.load(std::memory_order_relaxed); }
  // The text set since the last call, if any.
  bool TakeText(QString& text);

 private:
  std::mutex m_lock;  // the text and the cancel action
  QString m_text;
  bool m_textChanged = false;
  std::function<void()> m_cancelAction;
  std::atomic<bool> m_cancelled{false};
  std::atomic<std::int64_t> m_done{0};
  std::atomic<std::int64_t> m_total{0};
};

struct LongWorkRequest {
  // The widget the work is for; its main window shows the progress.
  QWidget* anchor = nullptr;
  // Status-bar text while the work runs.
  QString text;
  // Something the work reads (a grid): EndLongWorkUsing(resource) stops it.
  const void* resource = nullptr;
  // Runs on the work's thread.
  std::function<void(LongWorkControl&)> work;
  // Runs on the GUI thread after the work has returned, with whether a
  // cancel was requested; for a work stopped by EndLongWorkUsing, later from
  // the event loop (it must not touch the resource).
  std::function<void(bool cancelled)> finished;
};

// Starts the work (GUI thread).
void StartLongWork(LongWorkRequest request);

// Cancels every running work on `resource` and waits for it to return, so
// the resource may be destroyed afterwards (GUI thread).
void EndLongWorkUsing(const void* resource);

// Whether a work on `resource` is running; cancels it without waiting.
bool LongWorkRunningFor(const void* resource);
void CancelLongWorkUsing(const void* resource);

// Number of works started and not yet finished.
int RunningLongWorkCount();

// Milliseconds a work runs before its progress appears.
constexpr int kLongWorkShowDelayMs = 500;

}  // namespace orva
