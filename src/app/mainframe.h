#pragma once
// The main window: an MDI area of query windows, the menus, the tool bar with
// the database drop-down, and the status bar. It opens connections and the
// query windows on them, titles and counts those windows, and closes them with
// their connections.

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/command.h"
#include "platform/commandactions.h"
#include "platform/imagelist.h"

class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolBar;

namespace orva {

class CChildFrame;
class CDBConnection;
class CQueryDoc;

class CMainFrame : public QMainWindow, public ICommandTarget {
 public:
  explicit CMainFrame(CommandRouter& router);
  ~CMainFrame() override;

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

  QMdiArea* MdiArea() const { return m_mdiArea; }
  CommandActions& Actions() { return *m_actions; }
  QComboBox* DatabaseBox() const { return m_wndDatabaseBox; }
  QToolBar* ToolBar() const { return m_wndToolBar; }

  // Opens a connection and its first query window; the window's document, or
  // null when the connection or the window could not be made.
  CQueryDoc* NewConnection(const std::string& connect, const std::optional<std::string>& name);
  CChildFrame* NewQueryWindow(CDBConnection* connection);
  CDBConnection* GetActiveConnection() const;
  bool Disconnect(CDBConnection* connection);
  bool DisconnectAll();

  const std::vector<CChildFrame*>& Windows() const { return m_windows; }
  int QueryWindowCount() const { return m_nQueryWindows; }
  int ConnectionCount() const { return static_cast<int>(m_connections.size()); }
  // Status pane 0: progress texts of long operations; empty clears it.
  void SetMessageText(const QString& text);
  QString ConnectionPaneText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus(bool documentOpen);
  void CreateToolBar();
  void CreateStatusBar();
  void CreateShortcuts();
  // Creates the document, view and frame of a query window on the connection.
  CChildFrame* CreateQueryWindow(CDBConnection* connection, const QString& title);
  void OnWindowActivated(QMdiSubWindow* window);
  void OnWindowDestroyed(CChildFrame* frame);
  CChildFrame* ActiveQueryWindow() const;
  void RefreshConnectionPane();

  CommandRouter& m_router;
  CommandActions* m_actions = nullptr;
  QMdiArea* m_mdiArea = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QComboBox* m_wndDatabaseBox = nullptr;
  QLabel* m_messagePane = nullptr;
  QLabel* m_connectionPane = nullptr;
  QTimer* m_idleTimer = nullptr;
  ImageList m_toolBarImages;
  bool m_menuForDocuments = false;
  bool m_bClosing = false;

  std::vector<std::unique_ptr<CDBConnection>> m_connections;
  std::vector<CChildFrame*> m_windows;
  int m_nQueryWindows = 0;
};

}  // namespace orva
