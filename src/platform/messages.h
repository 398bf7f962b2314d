#pragma once
// Window messages with fixed numbers, carried as Qt events whose type number is
// the message number. Posting is asynchronous; sending from another thread is
// a blocking call onto the receiver's (GUI) thread.

#include <QEvent>
#include <cstdint>
#include <functional>

#include "platform/resource_ids.h"
#include "platform/tsan.h"

class QObject;

namespace orva {

class MessageEvent : public QEvent {
 public:
  MessageEvent(unsigned message, std::intptr_t wParam, std::intptr_t lParam)
      : QEvent(static_cast<QEvent::Type>(message)), m_message(message), m_wParam(wParam), m_lParam(lParam) {}
  // A posted message dropped unread (its receiver went first) is freed on the
  // receiver's thread: it takes over what the sender did, as delivery does.
  ~MessageEvent() override { HandOffAcquire(this); }

  unsigned Message() const { return m_message; }
  std::intptr_t WParam() const { return m_wParam; }
  std::intptr_t LParam() const { return m_lParam; }

 private:
  unsigned m_message;
  std::intptr_t m_wParam;
  std::intptr_t m_lParam;
};

// Registers the message numbers with Qt's event-type registry so that no other
// component is handed the same numbers. Called once at start-up (idempotent).
void RegisterMessageTypes();

// Posts the message to the receiver's event queue; safe from any thread.
void PostMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

// Delivers the message synchronously on the GUI thread, where the receiver
// lives (directly when called on it), and returns the value the handler
// stored with SetResult.
std::intptr_t SendMessageTo(QObject* receiver, unsigned message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

// A handler of a sent message stores its answer here.
class SendableMessageEvent : public MessageEvent {
 public:
  using MessageEvent::MessageEvent;
  void SetResult(std::intptr_t result) { m_result = result; }
  std::intptr_t Result() const { return m_result; }

 private:
  std::intptr_t m_result = 0;
};

}  // namespace orva
