#include "query/childframe.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include "db/cancelhandle.h"
#include "grid/gridctrl.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/tick.h"
#include "query/elapsed.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/resultview.h"
#include "query/sqlsource.h"

namespace orva {

namespace {
const char kDatabaseListQuery[] = "SELECT name FROM master..sysdatabases ORDER BY name";

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n\v\f";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// Every query window (GUI thread only), so that windows on one connection can
// tell whether another of them is running.
std::vector<CChildFrame*> g_frames;

// The SQL editor view seen as the source of the text to run.
class QueryViewSource : public ISqlSource {
 public:
  explicit QueryViewSource(CQueryView* view) : m_view(view) {}
  bool HasSelection() const override { return m_view->HasSelection(); }
  std::string GetSelectedText() const override { return m_view->GetSelectedText(); }
  std::string GetAllText() const override { return m_view->GetAllText(); }

 private:
  CQueryView* m_view;
};
}  // namespace

CChildFrame::CChildFrame(QWidget* parent) : QMainWindow(parent), m_runCancel(CCancelHandle::Create()) {
  resize(400, 400);
  m_splitter = new QSplitter(Qt::Vertical, this);
  m_splitter->setChildrenCollapsible(false);
  m_pResultView = new CResultView(m_splitter);
  m_splitter->addWidget(m_pResultView);
  m_pResultView->hide();
  setCentralWidget(m_splitter);

  m_statusPane = new QLabel(this);
  statusBar()->addWidget(m_statusPane, 1);
  auto addPane = [this](int width) {
    auto* pane = new QLabel(this);
    pane->setFixedWidth(width);
    statusBar()->addPermanentWidget(pane);
    return pane;
  };
  addPane(70)->setObjectName(QStringLiteral("position"));
  m_elapsedPane = addPane(120);
  addPane(30)->setObjectName(QStringLiteral("readOnly"));
  addPane(30)->setObjectName(QStringLiteral("overwrite"));
  SetStatus(Utf8("就绪"));
  m_strElapsed = QStringFromGbk(FormatElapsedClock(0));
  m_elapsedPane->setText(m_strElapsed);

  m_timer = new QTimer(this);
  m_timer->setInterval(1000);
  connect(m_timer, &QTimer::timeout, this, [this] {
    if (m_bRunning) UpdateElapsed();
  });
  g_frames.push_back(this);
}

CChildFrame::~CChildFrame() {
  // Never leave a thread running against a destroyed window.
  if (m_bRunning) {
    m_bCancelled = true;
    m_runCancel->Cancel();
  }
  FinishThreads();
  g_frames.erase(std::remove(g_frames.begin(), g_frames.end(), this), g_frames.end());
  // The editor works on the document's buffer: it goes before the document.
  delete m_pSqlView;
  m_pSqlView = nullptr;
}

void CChildFrame::SetEditor(QWidget* editor, ISqlSource* source) {
  m_pSqlView = editor;
  m_pSqlSource = source;
  m_splitter->insertWidget(0, editor);
  m_splitter->setStretchFactor(0, 1);
  m_splitter->setStretchFactor(1, 1);
}

void CChildFrame::SetQueryView(CQueryView* view) {
  m_pQueryView = view;
  m_viewSource = std::make_unique<QueryViewSource>(view);
  SetEditor(view, m_viewSource.get());
}

void CChildFrame::SetDocument(std::unique_ptr<CQueryDoc> document) { m_document = std::move(document); }

void CChildFrame::SetConnection(CDBConnection* connection) {
  if (!connection) return;
  m_pConnection = connection;
  LoadDatabaseList();
}

IResultOutput* CChildFrame::GetResultOutput() const { return m_pResultView; }

std::string CChildFrame::GetSqlText() const {
  if (!m_pSqlSource) return {};
  return Trimmed(m_pSqlSource->HasSelection() ? m_pSqlSource->GetSelectedText() : m_pSqlSource->GetAllText());
}

void CChildFrame::SetStatus(const QString& text) {
  m_strStatus = text;
  m_statusPane->setText(text);
}

QString CChildFrame::StatusText() const { return m_strStatus; }
QString CChildFrame::ElapsedText() const { return m_strElapsed; }

void CChildFrame::RunQuery(const std::string& text) {
  if (m_bRunning || !m_pConnection) return;  // one run at a time
  FinishThreads();                            // threads of the last run, already ended
  m_pResultView->ClearResults();
  m_dwStartTick = GetTickCount32();
  m_timer->start();
  m_strElapsed = QStringFromGbk(FormatElapsedClock(0));
  m_elapsedPane->setText(m_strElapsed);
  SetRunning(true);
  m_bCancelling = false;
  m_bCancelled = false;
  m_runCancel->Reset();
  m_job.m_strText = text;
  m_job.m_pFrame = this;
  if (!IsResultPaneShown()) ShowResultPane(true);
  m_workerThread = std::thread([this] { QueryThreadProc(m_job); });
}

void CChildFrame::UpdateElapsed() {
  m_strElapsed = QStringFromGbk(FormatElapsedClock(GetTickCount32() - m_dwStartTick));
  m_elapsedPane->setText(m_strElapsed);
}

bool CChildFrame::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(WM_QUERY_DONE)) {
    OnQueryDone(static_cast<MessageEvent*>(event)->WParam());
    return true;
  }
  if (event->type() == static_cast<QEvent::Type>(WM_CANCEL_DONE)) {
    OnCancelDone();
    return true;
  }
  return QMainWindow::event(event);
}

void CChildFrame::OnQueryDone(std::intptr_t wParam) {
  // The worker posts the notice as its last act and touches nothing of the
  // window after it. Its thread is still ending, though, and that can take a
  // while (the thread's font caches and memory are released), so it is
  // joined by the next run or by closing, not here on the GUI thread.
  m_pResultView->ShowPage(m_pResultView->GetGridCount() == 0);
  m_pResultView->update();
  if (m_bCancelled)
    SetStatus(Utf8("查询被取消"));
  else if (wParam != 0)
    SetStatus(Utf8("SQL执行完毕，其中存在错误"));
  else
    SetStatus(Utf8("SQL执行成功"));
  UpdateElapsed();
  m_timer->stop();
  SetRunning(false);
  m_bCancelling = false;
  m_bCancelled = false;
}

void CChildFrame::SetRunning(bool running) {
  m_bRunning = running;
  if (m_runStateObserver) m_runStateObserver();
}

bool CChildFrame::IsConnectionBusy(const CDBConnection* connection) {
  return std::any_of(g_frames.begin(), g_frames.end(), [connection](const CChildFrame* frame) {
    return frame->m_pConnection == connection && frame->m_bRunning;
  });
}

void CChildFrame::CancelQuery() {
  if (!m_bRunning) {
    RunDeferredRequest();
    return;
  }
  if (m_bCancelling) return;
  m_bCancelling = true;
  SetStatus(Utf8("正在取消查询..."));
  if (m_cancelThread.joinable()) m_cancelThread.join();
  const bool interrupt = m_pConnection->GetKind() != DbmsSybaseSqlAnywhere;
  // The destructor joins this thread, so the window outlives it.
  m_cancelThread = std::thread([this, interrupt] {
    // The flag first, so the worker sees it as soon as the driver call returns;
    // then this run's own statement is interrupted.
    if (interrupt) {
      m_bCancelled = true;
      try {
        m_runCancel->Cancel();
      } catch (...) {
      }
    }
    m_bCancelled = true;
    PostMessageTo(this, WM_CANCEL_DONE, 0, 0);
  });
}

void CChildFrame::OnCancelDone() {
  if (m_cancelThread.joinable()) m_cancelThread.join();
  RunDeferredRequest();
}

void CChildFrame::RunDeferredRequest() {
  if (!m_bExitAfterCancel) return;
  m_bExitAfterCancel = false;
  QMetaObject::invokeMethod(window(), "close", Qt::QueuedConnection);
}

void CChildFrame::FinishThreads() {
  // The worker may be waiting for the GUI thread (a new grid, a message box),
  // so events keep flowing while it finishes.
  while (m_bRunning && m_workerThread.joinable()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (m_workerThread.joinable()) m_workerThread.join();
  if (m_cancelThread.joinable()) m_cancelThread.join();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->ignore();  // a close is already waiting for the run to end
    return;
  }
  if (m_document && !m_document->SaveModified()) {
    event->ignore();  // the user chose to keep the window
    return;
  }
  if (m_bRunning) {
    m_closing = true;
    m_bExitAfterCancel = false;
    if (!m_bCancelling) CancelQuery();
    m_bCancelled = true;
    m_runCancel->Cancel();
    FinishThreads();
    m_closing = false;
  }
  event->accept();
}

void CChildFrame::ShowEditorPane(bool show) {
  if (m_pSqlView && m_pSqlView->isVisibleTo(this) != show) m_pSqlView->setVisible(show);
}

void CChildFrame::ShowResultPane(bool show) {
  if (m_pResultView->isVisibleTo(this) == show) return;
  m_pResultView->setVisible(show);
  if (show) {
    const int total = m_splitter->height();
    m_splitter->setSizes({total / 2, total - total / 2});
  }
}

bool CChildFrame::IsResultPaneShown() const { return m_pResultView->isVisibleTo(this); }

void CChildFrame::LoadDatabaseList() {
  m_databases.clear();
  if (!m_pConnection || !m_pConnection->HasDatabases()) return;
  if (IsConnectionBusy(m_pConnection)) {
    // The connection is busy with a script: the running window's list
    // stands in for asking the server.
    for (const CChildFrame* frame : g_frames) {
      if (frame != this && frame->m_pConnection == m_pConnection && frame->m_bRunning) {
        m_databases = frame->m_databases;
        break;
      }
    }
    return;
  }
  CRecordsetEx* set = nullptr;
  try {
    if (m_pConnection->OpenResultSet(kDatabaseListQuery, set) == 1 && set) {
      std::string name;
      while (!set->IsEOF()) {
        set->GetFieldText(0, name);
        m_databases.push_back(name);
        set->MoveNext();
      }
    }
  } catch (const CDBException& e) {
    ShowErrorBoxGbk(e.ErrorText(), this);
  } catch (const std::exception& e) {
    ShowErrorBoxGbk(e.what(), this);
  }
  CDBConnection::CloseResultSet(set);
}

void CChildFrame::SetDatabaseBox(QComboBox* box) { m_pDatabaseBox = box; }

void CChildFrame::FillDatabaseBox() {
  if (!m_pConnection || !m_pDatabaseBox) return;
  QComboBox* box = m_pDatabaseBox;
  const QSignalBlocker block(box);
  box->clear();
  if (!m_pConnection->HasDatabases()) {
    box->addItem(Utf8("不支持"));
    box->setCurrentIndex(0);
    box->setEnabled(false);
    return;
  }
  const std::string current = ToUpperGbk(m_pConnection->GetCurrentDatabase());
  int selected = -1;
  for (const std::string& name : m_databases) {
    if (selected < 0 && ToUpperGbk(name) == current) selected = box->count();
    box->addItem(QStringFromGbk(name));
  }
  box->setCurrentIndex(selected);
  box->addItem(Utf8("刷新..."));
  box->setEnabled(!IsConnectionBusy(m_pConnection));
}

void CChildFrame::OnDatabaseSelected(const std::string& name) {
  if (!m_pConnection || IsConnectionBusy(m_pConnection)) return;
  if (name == GbkFromUtf8("刷新...")) {
    LoadDatabaseList();
    FillDatabaseBox();
    return;
  }
  m_pConnection->UseDatabase(name);  // reports its own errors
}

bool CChildFrame::OnCommand(int id) {
  switch (id) {
    case ID_QUERY_RUN: {
      std::string text = GetSqlText();
      if (!text.empty()) RunQuery(text);
      return true;
    }
    case ID_QUERY_CANCEL:
      CancelQuery();
      return true;
    case ID_VIEW_RESULT_PANE:
      ShowResultPane(!IsResultPaneShown());
      return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
      CyclePane(id == ID_NEXT_PANE);
      return true;
    default:
      // Saving belongs to the document, whichever pane has the focus.
      return m_document && m_document->OnCommand(id);
  }
}

void CChildFrame::CyclePane(bool forward) {
  std::vector<QWidget*> panes;
  if (m_pSqlView && m_pSqlView->isVisibleTo(this)) panes.push_back(m_pSqlView);
  if (IsResultPaneShown()) panes.push_back(m_pResultView);
  if (panes.empty()) return;
  QWidget* focus = QApplication::focusWidget();
  int current = -1;
  for (int i = 0; i < static_cast<int>(panes.size()); ++i)
    if (focus && (focus == panes[i] || panes[i]->isAncestorOf(focus))) current = i;
  const int count = static_cast<int>(panes.size());
  const int next = current < 0 ? 0 : (current + (forward ? 1 : count - 1)) % count;
  QWidget* target = panes[next];
  if (target == m_pResultView) {
    target = m_pResultView->GetGridCount() > 0 && !m_pResultView->IsMessagePageShown()
                 ? static_cast<QWidget*>(m_pResultView->GetGrid(0))
                 : static_cast<QWidget*>(m_pResultView->MessageEdit());
  }
  target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool CChildFrame::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_QUERY_RUN:
      ui.Enable(!m_bRunning && m_pConnection && !GetSqlText().empty());
      return true;
    case ID_QUERY_CANCEL:
      ui.Enable(m_pConnection && m_pConnection->IsOpen() && m_bRunning && !m_bCancelling &&
                m_pConnection->CanCancel());
      return true;
    case ID_VIEW_RESULT_PANE:
      ui.Enable(true);
      ui.SetCheck(IsResultPaneShown());
      return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
      ui.Enable(true);
      return true;
    default:
      return m_document && m_document->OnUpdateCommand(id, ui);
  }
}

}  // namespace orva
