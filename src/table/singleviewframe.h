#pragma once
// The table window: an SQL editor above and the rows of one table or view
// below, half and half, with a status bar that shows the reading progress.
// The main window opens at most one of them and titles it.

#include <QMainWindow>
#include <memory>
#include <string>

#include "platform/command.h"

class QLabel;
class QSplitter;

namespace orva {

class CDBConnection;
class CQueryDoc;
class CQueryView;
class CTableDoc;
class CTableView;

class CSingleViewFrame : public QMainWindow, public ICommandTarget {
 public:
  explicit CSingleViewFrame(QWidget* parent = nullptr);
  ~CSingleViewFrame() override;

  // What to show: the connection (not owned), the table name as the object
  // browser gives it ("database..name" or the bare name) and the browser's
  // node kind (4 table, 6 view).
  void SetTarget(CDBConnection* connection, const std::string& tableName, int nodeKind = 4);
  CDBConnection* GetConnection() const { return m_pConnection; }
  const std::string& GetTableName() const { return m_strTable; }
  int GetNodeKind() const { return m_nNodeKind; }

  // Gives the panes their target and starts reading the rows.
  void OnInitialUpdate();

  CQueryView* GetEditorPane() const { return m_pEditor; }
  CTableView* GetTablePane() const { return m_pTable; }
  CQueryDoc* GetEditorDocument() const { return m_editorDoc.get(); }
  QString StatusText() const;

  // Cancelling (the tool bar's stop button) stops the reading; the record
  // commands reach the grid pane wherever the focus is in the window.
  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  CDBConnection* m_pConnection = nullptr;
  std::string m_strTable;
  int m_nNodeKind = 4;
  std::unique_ptr<CTableDoc> m_document;
  std::unique_ptr<CQueryDoc> m_editorDoc;
  QSplitter* m_splitter = nullptr;
  CQueryView* m_pEditor = nullptr;
  CTableView* m_pTable = nullptr;
  QLabel* m_statusPane = nullptr;
  bool m_bSized = false;
};

// The window's title: "表查看 － source.database.user.object － 无标题N"
// (the kind word is "表" for 4, "视图" for 6, "存储过程" for 8 and 10).
QString TableWindowTitle(int nodeKind, const CDBConnection& connection, const std::string& objectName,
                         int windowNumber);

}  // namespace orva
