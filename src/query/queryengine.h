#pragma once
// The statement execution engine: runs the SQL text of one query window on a
// worker thread, as one batch when the connection returns multiple result sets
// and statement by statement otherwise, and turns what comes back into result
// grids and message-log lines. Every run ends with exactly one WM_QUERY_DONE
// posted to the window (wParam 1 when an error was reported, lParam -1).

#include <memory>
#include <string>
#include <string_view>

class QObject;

namespace orva {

class CCancelHandle;
class CDBConnection;
class CGridCtrl;
class CRecordsetEx;

// The output side of a run: the result pane. Every call may come from the
// worker thread; the implementation carries it over to the GUI thread.
class IResultOutput {
 public:
  virtual ~IResultOutput() = default;
  virtual void ClearMessages() = 0;
  // GBK text.
  virtual void AddMessage(std::string_view text, bool indented) = 0;
  virtual void ShowPage(bool messages) = 0;
  // Creates a grid for the set on the GUI thread and returns it.
  virtual CGridCtrl* AddResultGrid(CRecordsetEx* set) = 0;
};

// What a run needs from the window that started it.
class IQueryFrame {
 public:
  virtual ~IQueryFrame() = default;
  virtual CDBConnection* GetConnection() const = 0;
  virtual IResultOutput* GetResultOutput() const = 0;
  // Receives WM_QUERY_DONE.
  virtual QObject* NotifyTarget() const = 0;
  // The cancel flag of the run; reading stops as soon as it is set.
  virtual bool IsCancelled() const = 0;
  // The run's own cancel target: the statement being executed or read.
  virtual std::shared_ptr<CCancelHandle> RunCancel() const = 0;
  // Told (on the worker thread) when a statement failed because the link to
  // the database is gone.
  virtual void NoteConnectionLost() {}
};

struct QueryJob {
  std::string m_strText;  // GBK, already trimmed
  IQueryFrame* m_pFrame = nullptr;
  // Set by the run when it reported an error in the message log.
  bool m_bErrorReported = false;
  // Set once the run has found the link to the database gone.
  bool m_bConnectionLost = false;
};

// The worker thread body of one run. Returns 0.
unsigned QueryThreadProc(QueryJob& job);

// Runs one batch and shows all its result sets; database errors leave as
// CDBException after the set has been closed.
void ExecuteBatch(QueryJob& job, std::string_view text);

// Creates the grid's columns for the set: the row-number column, one column
// per result column with its starting width, one fixed row and column.
void SetupResultColumns(CGridCtrl& grid, const CRecordsetEx& set);

}  // namespace orva
