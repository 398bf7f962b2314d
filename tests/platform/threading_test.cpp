#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <atomic>
#include <thread>

#include "platform/guithread.h"
#include "platform/messages.h"
#include "platform/tick.h"

namespace orva {
namespace {

// Spins the GUI event loop until the condition holds or 5 s pass.
template <typename Condition>
bool WaitFor(Condition condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return condition();
}

TEST(GuiThread, CallFromWorkerRunsOnGuiThreadAndWaits) {
  QThread* gui = QThread::currentThread();
  std::atomic<bool> ranOnGui{false};
  std::atomic<bool> returned{false};
  int value = 0;
  std::thread worker([&] {
    EXPECT_FALSE(IsGuiThread());
    RunOnGuiThread([&] {
      ranOnGui = QThread::currentThread() == gui;
      value = 42;
    });
    // The call has completed when RunOnGuiThread returns.
    EXPECT_EQ(value, 42);
    returned = true;
  });
  EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnGui);
}

TEST(GuiThread, CallOnGuiThreadRunsDirectly) {
  bool ran = false;
  RunOnGuiThread([&] { ran = true; });
  EXPECT_TRUE(ran);  // no event loop turn was needed
}

class MessageSink : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == static_cast<QEvent::Type>(WM_ADD_RESULT_GRID)) {
      auto* message = static_cast<SendableMessageEvent*>(e);
      onGuiThread = QThread::currentThread() == thread();
      message->SetResult(message->WParam() * 2 + message->LParam());
      return true;
    }
    if (e->type() == static_cast<QEvent::Type>(WM_QUERY_DONE)) {
      auto* message = static_cast<MessageEvent*>(e);
      posted.push_back(message->WParam());
      return true;
    }
    return QObject::event(e);
  }
  std::atomic<bool> onGuiThread{false};
  std::vector<std::intptr_t> posted;
};

TEST(Messages, NumbersAreTheFixedMessageNumbers) {
  EXPECT_EQ(WM_QUERY_DONE, 0x1401u);
  EXPECT_EQ(WM_CANCEL_DONE, 0x1403u);
  EXPECT_EQ(WM_ADD_RESULT_GRID, 0x1410u);
}

TEST(Messages, SentFromWorkerIsHandledOnGuiThreadWithAnswer) {
  MessageSink sink;
  std::atomic<std::intptr_t> answer{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    answer = SendMessageTo(&sink, WM_ADD_RESULT_GRID, 20, 2);
    done = true;
  });
  EXPECT_TRUE(WaitFor([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_TRUE(sink.onGuiThread);
}

TEST(Messages, PostedMessagesArriveInOrder) {
  MessageSink sink;
  std::thread worker([&] {
    PostMessageTo(&sink, WM_QUERY_DONE, 1);
    PostMessageTo(&sink, WM_QUERY_DONE, 0);
  });
  worker.join();
  EXPECT_TRUE(sink.posted.empty());  // nothing is delivered until the loop runs
  EXPECT_TRUE(WaitFor([&] { return sink.posted.size() == 2; }));
  EXPECT_EQ(sink.posted, (std::vector<std::intptr_t>{1, 0}));
}

// Calls and messages a worker posts arrive in the order posted (results
// queued before "query done" are shown before it); a call whose context is
// gone by then is dropped.
TEST(Messages, PostedCallsAndMessagesKeepTheirOrderAndDieWithTheirContext) {
  MessageSink sink;
  auto* gone = new QObject;
  bool ranForGone = false;
  std::thread worker([&] {
    PostToGuiThread(&sink, [&] { sink.posted.push_back(10); });
    PostMessageTo(&sink, WM_QUERY_DONE, 1);
    PostToGuiThread(gone, [&] { ranForGone = true; });
    PostToGuiThread(&sink, [&] { sink.posted.push_back(11); });
  });
  worker.join();
  delete gone;
  EXPECT_TRUE(WaitFor([&] { return sink.posted.size() == 3; }));
  EXPECT_EQ(sink.posted, (std::vector<std::intptr_t>{10, 1, 11}));
  EXPECT_FALSE(ranForGone);
}

// Several workers waiting on the GUI thread at once each get their own
// call's effect and answer back, never another's.
TEST(GuiThread, CallsFromSeveralWorkersEachCompleteBeforeReturning) {
  MessageSink sink;
  constexpr int kWorkers = 3, kCalls = 20;
  std::vector<int> counts(kWorkers, 0);  // written on the GUI thread only
  std::atomic<int> finished{0};
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kCalls; ++i) {
        RunOnGuiThread([&] { ++counts[static_cast<std::size_t>(w)]; });
        if (counts[static_cast<std::size_t>(w)] != i + 1) ++wrong;
        if (SendMessageTo(&sink, WM_ADD_RESULT_GRID, w, i) != 2 * w + i) ++wrong;
      }
      ++finished;
    });
  }
  EXPECT_TRUE(WaitFor([&] { return finished.load() == kWorkers; }));
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(counts, std::vector<int>(kWorkers, kCalls));
}

TEST(Tick, InjectedSourceAndWrappingDifferences) {
  std::uint32_t now = 0xFFFFFF00u;
  SetTickSourceForTesting([&] { return now; });
  std::uint32_t start = GetTickCount32();
  now += 0x200;  // wraps past zero
  EXPECT_EQ(GetTickCount32() - start, 0x200u);
  SetTickSourceForTesting(nullptr);
  EXPECT_NE(GetTickCount32(), now);  // the real clock is back
}

}  // namespace
}  // namespace orva
