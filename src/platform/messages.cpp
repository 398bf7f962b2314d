#include "platform/messages.h"

#include <QCoreApplication>
#include <mutex>

#include "platform/guithread.h"

namespace orva {

void RegisterMessageTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (unsigned message : {WM_QUERY_DONE, WM_CANCEL_DONE, WM_ADD_RESULT_GRID})
      QEvent::registerEventType(static_cast<int>(message));
  });
}

void PostMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  PostHandedOffEvent(receiver, new MessageEvent(message, wParam, lParam));
}

std::intptr_t SendMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  SendableMessageEvent event(message, wParam, lParam);
  RunOnGuiThread([receiver, &event] { QCoreApplication::sendEvent(receiver, &event); });
  return event.Result();
}

}  // namespace orva
