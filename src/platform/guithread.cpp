#include "platform/guithread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
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
  QMetaObject::invokeMethod(QCoreApplication::instance(), HandedOff([&call] { call(); }),
                            Qt::BlockingQueuedConnection);
}

void PostToGuiThread(QObject* context, std::function<void()> call) {
  QMetaObject::invokeMethod(context, HandedOff(std::move(call)), Qt::QueuedConnection);
}

}  // namespace orva
