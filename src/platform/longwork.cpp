#include "platform/longwork.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/guithread.h"

namespace orva {

struct CLongWork::State : CLongWork::Context {
  QPointer<QObject> owner;
  std::function<void(const QString&)> status;
  std::thread thread;
  std::atomic<bool> running{false};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};  // the completion has run
  std::mutex lock;
  std::function<void()> cancelAction;
  QElapsedTimer lastProgress;  // worker thread only
  bool detached = false;       // the owner is going: no completion

  bool IsCancelled() const override { return cancelled.load(); }

  void Progress(const QString& text) override {
    if (lastProgress.isValid() && lastProgress.elapsed() < 100) return;
    lastProgress.start();
    auto show = status;
    if (!owner || !show) return;
    PostToGuiThread(owner, [show, text] { show(text); });
  }

  void SetCancelAction(std::function<void()> action) override {
    std::unique_lock<std::mutex> guard(lock);
    cancelAction = std::move(action);
    if (cancelled && cancelAction) {
      auto run = cancelAction;
      guard.unlock();
      run();
    }
  }

  void Cancel() {
    std::function<void()> run;
    {
      std::lock_guard<std::mutex> guard(lock);
      cancelled = true;
      run = cancelAction;
    }
    if (run) run();
  }
};

CLongWork::CLongWork(QObject* owner, std::function<void(const QString&)> status)
    : m_state(std::make_shared<State>()) {
  m_state->owner = owner;
  m_state->status = std::move(status);
}

CLongWork::~CLongWork() {
  m_state->detached = true;
  Cancel();
  Wait();
}

bool CLongWork::Start(Body body, std::function<void(bool)> done) {
  State& state = *m_state;
  if (state.running) return false;
  if (state.thread.joinable()) state.thread.join();
  state.cancelled = false;
  state.finished = false;
  state.running = true;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    state.cancelAction = nullptr;
  }
  state.lastProgress.invalidate();
  std::shared_ptr<State> shared = m_state;
  state.thread = std::thread([shared, body = std::move(body), done = std::move(done)]() mutable {
    try {
      body(*shared);
    } catch (...) {
      // The body reports its own errors; nothing may escape the thread.
    }
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      shared->cancelAction = nullptr;
    }
    auto finish = [shared, done] {
      if (shared->thread.joinable()) shared->thread.join();
      shared->running = false;
      if (!shared->detached) {
        if (shared->status) shared->status(QString());
        if (done) done(shared->cancelled.load());
      }
      shared->finished = true;
    };
    if (shared->owner)
      PostToGuiThread(shared->owner, finish);
    else
      shared->running = false, shared->finished = true;
  });
  return true;
}

void CLongWork::Cancel() {
  if (m_state->running) m_state->Cancel();
}

bool CLongWork::IsRunning() const { return m_state->running.load(); }

bool CLongWork::IsCancelled() const { return m_state->cancelled.load(); }

void CLongWork::Wait() {
  State& state = *m_state;
  while (state.running && !state.finished) {
    if (!state.owner) break;  // no completion can arrive any more
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (state.thread.joinable()) state.thread.join();
  state.running = false;
}

}  // namespace orva
