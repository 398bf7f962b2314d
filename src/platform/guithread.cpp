#include "platform/guithread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <memory>

#include "platform/tsan.h"

namespace orva {

bool IsGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

void RunOnGuiThread(const std::function<void()>& call) {
  if (IsGuiThread()) {
    call();
    return;
  }
  HandOffRelease(&call);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&call] {
        HandOffAcquire(&call);
        call();
        HandOffRelease(&call);
      },
      Qt::BlockingQueuedConnection);
  HandOffAcquire(&call);
}

void PostToGuiThread(QObject* context, std::function<void()> call) {
  auto queued = std::make_shared<std::function<void()>>(std::move(call));
  HandOffRelease(queued.get());
  QMetaObject::invokeMethod(
      context,
      [queued] {
        HandOffAcquire(queued.get());
        (*queued)();
      },
      Qt::QueuedConnection);
}

}  // namespace orva
