#pragma once
// A query window: the SQL editor above, the result pane below (hidden until
// the first run) and a status bar of its own. It runs the editor's text on a
// worker thread, shows the running time once a second, cancels on request on
// a second thread and keeps the main window's database box in step with its
// connection.

#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/command.h"
#include "query/queryengine.h"

class QComboBox;
class QLabel;
class QSplitter;
class QTimer;

namespace orva {

class CCancelHandle;
class CDBConnection;
class CQueryDoc;
class CQueryView;
class CResultView;
class ISqlSource;

class CChildFrame : public QMainWindow, public ICommandTarget, public IQueryFrame {
 public:
  explicit CChildFrame(QWidget* parent = nullptr);
  ~CChildFrame() override;

  // The editor pane (row 0); the frame does not own `source` separately from
  // `editor` (they are normally the same object).
  void SetEditor(QWidget* editor, ISqlSource* source);
  // The SQL editor view as the editor pane.
  void SetQueryView(CQueryView* view);
  QWidget* GetSqlView() const { return m_pSqlView; }
  CQueryView* GetQueryView() const { return m_pQueryView; }

  // The window's document: the frame owns it, and closing the window asks
  // to save it when it was changed.
  void SetDocument(std::unique_ptr<CQueryDoc> document);
  CQueryDoc* GetDocument() const { return m_document.get(); }
  CResultView* GetResultView() const { return m_pResultView; }

  void SetConnection(CDBConnection* connection);
  CDBConnection* GetConnection() const override { return m_pConnection; }

  // The editor's selection, else its whole text, without surrounding white space.
  std::string GetSqlText() const;
  void RunQuery(const std::string& text);
  void CancelQuery();
  bool IsRunning() const { return m_bRunning; }
  bool IsCancelling() const { return m_bCancelling; }

  void ShowEditorPane(bool show);
  void ShowResultPane(bool show);
  bool IsResultPaneShown() const;

  // The database drop-down of the main window's tool bar.
  void SetDatabaseBox(QComboBox* box);
  void LoadDatabaseList();
  void FillDatabaseBox();
  // A choice in the database box (GBK text of the entry).
  void OnDatabaseSelected(const std::string& name);
  const std::vector<std::string>& Databases() const { return m_databases; }

  void UpdateElapsed();
  QString StatusText() const;
  QString ElapsedText() const;

  // Called when a run starts and when it ends (the main window keeps its
  // database box in step).
  void SetRunStateObserver(std::function<void()> observer) { m_runStateObserver = std::move(observer); }
  // True while any query window runs a script on the connection: nothing
  // else may use it from the GUI thread then.
  static bool IsConnectionBusy(const CDBConnection* connection);

  // Asks the main window to close once a cancel under way has completed.
  void SetExitAfterCancel(bool exit) { m_bExitAfterCancel = exit; }

  // IQueryFrame (worker side).
  IResultOutput* GetResultOutput() const override;
  QObject* NotifyTarget() const override { return const_cast<CChildFrame*>(this); }
  bool IsCancelled() const override { return m_bCancelled.load(); }
  std::shared_ptr<CCancelHandle> RunCancel() const override { return m_runCancel; }

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnQueryDone(std::intptr_t wParam);
  void OnCancelDone();
  void RunDeferredRequest();
  void SetStatus(const QString& text);
  // Waits, processing events, until the run's threads have ended.
  void FinishThreads();
  void SetRunning(bool running);
  // Focus to the next (or previous) shown pane: editor, result pane.
  void CyclePane(bool forward);

  CDBConnection* m_pConnection = nullptr;
  std::unique_ptr<CQueryDoc> m_document;
  QWidget* m_pSqlView = nullptr;
  ISqlSource* m_pSqlSource = nullptr;
  CQueryView* m_pQueryView = nullptr;
  std::unique_ptr<ISqlSource> m_viewSource;
  CResultView* m_pResultView = nullptr;
  QSplitter* m_splitter = nullptr;
  QLabel* m_statusPane = nullptr;
  QLabel* m_elapsedPane = nullptr;
  QTimer* m_timer = nullptr;
  QPointer<QComboBox> m_pDatabaseBox;

  QueryJob m_job;
  bool m_bRunning = false;
  bool m_bCancelling = false;
  std::atomic<bool> m_bCancelled{false};
  std::shared_ptr<CCancelHandle> m_runCancel;
  std::uint32_t m_dwStartTick = 0;
  std::thread m_workerThread;
  std::thread m_cancelThread;
  bool m_bExitAfterCancel = false;
  bool m_closing = false;
  QString m_strStatus;
  QString m_strElapsed;
  std::vector<std::string> m_databases;
  std::function<void()> m_runStateObserver;
};

}  // namespace orva
