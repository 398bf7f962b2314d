#include "platform/messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <mutex>

#include "platform/tsan.h"

namespace orva {

void RegisterMessageTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (unsigned message : {WM_QUERY_DONE, WM_CANCEL_DONE, WM_ADD_RESULT_GRID})
      QEvent::registerEventType(static_cast<int>(message));
  });
}

void PostMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  auto* event = new MessageEvent(message, wParam, lParam);
  HandOffRelease(event);
  QCoreApplication::postEvent(receiver, event);
}

std::intptr_t SendMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  SendableMessageEvent event(message, wParam, lParam);
  if (QThread::currentThread() == receiver->thread()) {
    QCoreApplication::sendEvent(receiver, &event);
  } else {
    QMetaObject::invokeMethod(
        receiver, HandedOff([receiver, &event] { QCoreApplication::sendEvent(receiver, &event); }),
        Qt::BlockingQueuedConnection);
  }
  return event.Result();
}

}  // namespace orva
