#pragma once
// Runs scripts through the execution engine as a query window does: a real
// result view, a worker thread, WM_QUERY_DONE delivered to a window object.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "db/cancelhandle.h"
#include "db/dbconnection.h"
#include "platform/codec.h"
#include "platform/messages.h"
#include "query/queryengine.h"
#include "query/resultview.h"

namespace orva::test {

// The result view as the engine sees it, with two test controls: the grid
// handed out last is kept for the worker side, and grids may be refused with
// an exception that is no std::exception.
class WatchedOutput : public IResultOutput {
 public:
  explicit WatchedOutput(CResultView* view) : m_view(view) {}
  void ClearMessages() override { m_view->ClearMessages(); }
  void AddMessage(std::string_view text, bool indented) override { m_view->AddMessage(text, indented); }
  void ShowPage(bool messages) override { m_view->ShowPage(messages); }
  CGridCtrl* AddResultGrid(CRecordsetEx* set) override {
    if (m_throwOnGrid) throw 42;
    CGridCtrl* grid = m_view->AddResultGrid(set);
    m_lastGrid = grid;
    return grid;
  }
  CGridCtrl* LastGrid() const { return m_lastGrid.load(); }
  void ThrowOnGrid(bool on) { m_throwOnGrid = on; }
  void Forget() { m_lastGrid = nullptr; }

 private:
  CResultView* m_view;
  std::atomic<CGridCtrl*> m_lastGrid{nullptr};
  std::atomic<bool> m_throwOnGrid{false};
};

class RunFrame : public QObject, public IQueryFrame {
 public:
  RunFrame(CDBConnection* connection, CResultView* view) : m_connection(connection), m_view(view), m_output(view) {}

  CDBConnection* GetConnection() const override { return m_connection; }
  IResultOutput* GetResultOutput() const override { return const_cast<WatchedOutput*>(&m_output); }
  WatchedOutput& Output() { return m_output; }
  QObject* NotifyTarget() const override { return const_cast<RunFrame*>(this); }
  bool IsCancelled() const override { return m_cancelled.load(); }
  std::shared_ptr<CCancelHandle> RunCancel() const override { return m_cancel; }

  // Starts the script on a worker thread.
  void Start(const std::string& script) {
    m_done.clear();
    m_cancelled = false;
    m_cancel->Reset();
    m_view->ClearResults();
    m_output.Forget();
    m_job.m_strText = script;
    m_job.m_pFrame = this;
    m_worker = std::thread([this] { QueryThreadProc(m_job); });
  }

  // Cancels as the cancel thread does: flag first, then the statement.
  void Cancel() {
    m_cancelled = true;
    m_cancel->Cancel();
  }

  // Processes events until WM_QUERY_DONE arrived (or 60 s passed), then joins.
  bool WaitDone() {
    QElapsedTimer timer;
    timer.start();
    while (m_done.empty() && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (m_worker.joinable()) m_worker.join();
    QCoreApplication::processEvents();  // the queued log and page changes
    return !m_done.empty();
  }

  // Runs the script to its end; returns false when it did not end.
  bool Run(const std::string& script) {
    Start(script);
    return WaitDone();
  }

  const std::vector<std::pair<std::intptr_t, std::intptr_t>>& DoneNotices() const { return m_done; }
  bool ErrorReported() const { return !m_done.empty() && m_done.back().first == 1; }
  // The message log in UTF-8, for comparing with literals.
  std::string Log() const { return Utf8FromGbk(m_view->MessageText()); }

  ~RunFrame() override {
    if (m_worker.joinable()) {
      Cancel();
      m_worker.join();
    }
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == static_cast<QEvent::Type>(WM_QUERY_DONE)) {
      auto* message = static_cast<MessageEvent*>(e);
      m_done.emplace_back(message->WParam(), message->LParam());
      return true;
    }
    return QObject::event(e);
  }

 private:
  CDBConnection* m_connection;
  CResultView* m_view;
  WatchedOutput m_output;
  QueryJob m_job;
  std::thread m_worker;
  std::atomic<bool> m_cancelled{false};
  std::shared_ptr<CCancelHandle> m_cancel = CCancelHandle::Create();
  std::vector<std::pair<std::intptr_t, std::intptr_t>> m_done;
};

// Counts non-overlapping occurrences of a UTF-8 text.
inline int CountOf(const std::string& haystack, const std::string& needle) {
  int count = 0;
  for (std::size_t pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + needle.size()))
    ++count;
  return count;
}

}  // namespace orva::test
