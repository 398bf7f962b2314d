#pragma once
// Long work off the GUI thread: reading a table, saving a grid, filling a
// large folder. The work runs on a thread of its own; it reports progress
// texts, which reach the window's status text at most every 100 ms, and
// stops when cancelled. When it ends, a completion call runs on the GUI
// thread. The owner never outlives its work: destroying the work cancels it
// and waits, processing events (the work may be waiting for the GUI thread).

#include <QString>
#include <functional>
#include <memory>

class QObject;

namespace orva {

class CLongWork {
 public:
  // What the work sees of itself on its thread.
  class Context {
   public:
    virtual ~Context() = default;
    virtual bool IsCancelled() const = 0;
    // A progress text for the status bar; texts coming faster than every
    // 100 ms are dropped except the last one shown.
    virtual void Progress(const QString& text) = 0;
    // Called (on the cancelling thread) when the work is cancelled, e.g. to
    // interrupt a running statement. Runs at once when already cancelled.
    virtual void SetCancelAction(std::function<void()> action) = 0;
  };
  using Body = std::function<void(Context&)>;

  // `owner` receives the completion; `status` shows progress texts (GUI
  // thread; an empty text clears the status).
  CLongWork(QObject* owner, std::function<void(const QString&)> status);
  ~CLongWork();
  CLongWork(const CLongWork&) = delete;
  CLongWork& operator=(const CLongWork&) = delete;

  // Starts the work; false while earlier work still runs. `done` runs on the
  // GUI thread after the body has returned (also when it was cancelled).
  bool Start(Body body, std::function<void(bool cancelled)> done);
  void Cancel();
  bool IsRunning() const;
  bool IsCancelled() const;
  // Waits for the work to end, processing events meanwhile; the completion
  // has run when this returns.
  void Wait();

 private:
  struct State;
  std::shared_ptr<State> m_state;
};

}  // namespace orva
