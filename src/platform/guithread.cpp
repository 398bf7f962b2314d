#include "platform/guithread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/tsan.h"

namespace orva {

namespace {

// The end of a call another thread waits for: signalled once the call has
// run, or when its event is dropped unrun (the application is going away),
// so that the waiting thread never hangs.
class Completion {
 public:
  void Signal() {
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_signal.notify_all();
  }
  void Wait() {
    std::unique_lock lock(m_mutex);
    m_signal.wait(lock, [this] { return m_done; });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_signal;
  bool m_done = false;
};

// A call carried to the GUI thread. It is made, and freed, by ORVA rather
// than inside Qt, so that the hand-off can be stated to ThreadSanitizer (see
// tsan.h). A call with a context runs only while the context lives.
class CallEvent : public QEvent {
 public:
  CallEvent(std::function<void()> call, QObject* context, std::shared_ptr<Completion> completion)
      : QEvent(Type()),
        m_call(std::move(call)),
        m_guarded(context != nullptr),
        m_context(context),
        m_completion(std::move(completion)) {}
  ~CallEvent() override {
    HandOffAcquire(this);  // also when dropped without being delivered
    if (m_completion) m_completion->Signal();
  }

  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  void Run() {
    if (!m_guarded || m_context) m_call();
  }

 private:
  std::function<void()> m_call;
  bool m_guarded;
  QPointer<QObject> m_context;
  std::shared_ptr<Completion> m_completion;
};

// Runs the calls on the GUI thread: one per application, its child.
class CallReceiver : public QObject {
 public:
  using QObject::QObject;
  ~CallReceiver() override;
  bool event(QEvent* event) override {
    HandOffAcquire(event);
    if (event->type() != CallEvent::Type()) return QObject::event(event);
    static_cast<CallEvent*>(event)->Run();
    return true;
  }
};

std::atomic<CallReceiver*> g_receiver{nullptr};

CallReceiver::~CallReceiver() {
  CallReceiver* self = this;
  g_receiver.compare_exchange_strong(self, nullptr);
}

#if defined(ORVA_THREAD_SANITIZER)
// Every event delivered is taken over from whoever made it, before a
// receiver or filter reads it (messages posted by worker threads).
bool AcquireDeliveredEvent(void** data) {
  HandOffAcquire(data[1]);
  return false;
}
#endif

// Runs in every application's constructor, on the GUI thread.
void CreateCallReceiver() {
  g_receiver.store(new CallReceiver(QCoreApplication::instance()));
#if defined(ORVA_THREAD_SANITIZER)
  static std::once_flag once;
  std::call_once(once, [] { QInternal::registerCallback(QInternal::EventNotifyCallback, AcquireDeliveredEvent); });
#endif
}

// Hands the call to the GUI thread; false (and nothing runs) when there is
// no application to run it.
bool PostCall(std::unique_ptr<CallEvent> event) {
  CallReceiver* receiver = g_receiver.load();
  if (!receiver) return false;
  PostHandedOffEvent(receiver, event.release());
  return true;
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(CreateCallReceiver)

void PostHandedOffEvent(QObject* receiver, QEvent* event) {
  HandOffRelease(event);
#if defined(ORVA_THREAD_SANITIZER)
  // Qt's queue is shared by every posting thread behind a lock the sanitizer
  // does not see; a lock of its own around ORVA's posts states that order.
  static std::mutex posting;
  std::lock_guard lock(posting);
#endif
  QCoreApplication::postEvent(receiver, event);
}

bool IsGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnGuiThread(const std::function<void()>& call) {
  if (IsGuiThread()) {
    call();
    return;
  }
  auto completion = std::make_shared<Completion>();
  if (PostCall(std::make_unique<CallEvent>([&call] { call(); }, nullptr, completion))) completion->Wait();
}

void PostToGuiThread(QObject* context, std::function<void()> call) {
  if (context) PostCall(std::make_unique<CallEvent>(std::move(call), context, nullptr));
}

}  // namespace orva
