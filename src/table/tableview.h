#pragma once
// The grid pane of the table window: the rows of one table or view, read on
// a worker thread, edited in place and written back one row at a time. Row 0
// is the heading, column 0 numbers the records, and the last row, marked
// "*", takes a new record, which is added when the focus leaves it.

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "grid/gridtypes.h"
#include "platform/command.h"
#include "platform/imagelist.h"
#include "platform/longwork.h"

namespace orva {

class CDBConnection;
class CGridCtrl;
class CQueryView;
class CTableRecordset;

class CTableView : public QWidget, public IGridOwner, public ICommandTarget {
 public:
  explicit CTableView(QWidget* parent = nullptr);
  ~CTableView() override;

  // The connection and table to show (before OnInitialUpdate).
  void SetTarget(CDBConnection* connection, const std::string& tableName);
  // The editor pane that receives generated INSERT statements.
  void SetEditorPane(CQueryView* editor) { m_pEditor = editor; }
  // Where progress texts go (the window's status bar).
  void SetStatusSink(std::function<void(const QString&)> sink);
  // Opens the record set and starts reading the rows.
  void OnInitialUpdate();

  CGridCtrl* Grid() const { return m_grid; }
  CTableRecordset* Recordset() const { return m_set.get(); }
  const std::string& TableName() const { return m_strTable; }
  int NewRowIndex() const { return m_nNewRow; }

  bool IsLoading() const { return LongWorkRunningFor(this); }
  void CancelLoading() { CancelLongWorkUsing(this); }
  // Waits until the rows are read and OnReadDone has run (processing events).
  void WaitLoaded();
  // Rows whose changes are not in the database: failed writes, and a
  // new-record row that holds text.
  int UnsavedRowCount() const;

  // The INSERT statements of every row, new-record row included unless empty.
  std::string BuildInsertStatements() const;

  // Saving the rows (40039) is provided by the export; it takes the view.
  using SaveRowsHook = std::function<void(CTableView&)>;
  static void SetSaveRowsHook(SaveRowsHook hook);

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;
  long OnGridNotify(GridNotify& notify) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh();
  void OnReadDone(bool cancelled);
  void EnsureNewRow();
  long CommitCellEdit(int row, int col);
  void CommitNewRow();
  void DeleteRecord();
  void InsertStatements();
  void ShowContextMenu(const QPoint& globalPos);
  void FillRow(int gridRow, long record);
  void RemoveGridRow(int row);
  void MarkUnsaved(int row, bool unsaved);
  bool NewRowIsEmpty() const;
  void ShowStatus(const QString& text);

  CDBConnection* m_pConnection = nullptr;
  std::string m_strTable;
  CQueryView* m_pEditor = nullptr;
  std::unique_ptr<CTableRecordset> m_set;
  CGridCtrl* m_grid = nullptr;
  int m_nNewRow = -1;
  ImageList m_menuImages;
  std::function<void(const QString&)> m_status;
  // Typed values of rows whose write failed, by grid row and field.
  std::map<int, std::map<int, std::string>> m_pending;
  bool m_newRowFailed = false;
  std::string m_readError;
};

}  // namespace orva
