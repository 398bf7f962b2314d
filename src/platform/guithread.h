#pragma once
// Calls onto the GUI thread. A worker thread that needs the GUI thread to do
// something and wait for it (creating a widget, asking the user) uses
// RunOnGuiThread: it blocks until the call has run. On the GUI thread itself
// the call runs directly. The GUI thread must therefore never wait for a
// worker without processing events, or the two would deadlock.

#include <functional>

class QEvent;
class QObject;

namespace orva {

bool IsGuiThread();
void RunOnGuiThread(const std::function<void()>& call);

// Queues a call for the GUI thread and returns at once. The call is dropped if
// `context` is destroyed before it runs.
void PostToGuiThread(QObject* context, std::function<void()> call);

// Posts an event this thread made to a receiver on another thread, marking
// the hand-off for ThreadSanitizer builds (see tsan.h).
void PostHandedOffEvent(QObject* receiver, QEvent* event);

}  // namespace orva
