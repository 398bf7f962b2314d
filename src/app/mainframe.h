#pragma once
// The main window: an MDI area of query windows, the menus, the tool bar with
// the database drop-down, the object browser bar and the status bar. It opens
// connections and the query windows on them, opens scripts, titles and counts
// the windows, and closes them with their connections.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/recentfiles.h"
#include "platform/command.h"
#include "platform/commandactions.h"
#include "platform/imagelist.h"

class QComboBox;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QTimer;
class QToolBar;

namespace orva {

class CChildFrame;
class CDBConnection;
class CMdiBackground;
class CQueryDoc;
class CSchemaView;
class IBrowserHost;

// "WindowPos": flags, show command, minimised x, y, maximised x, y, normal
// rectangle left, top, right, bottom.
struct WindowPlacement {
  unsigned flags = 0;
  unsigned showCommand = 1;
  int minX = -1, minY = -1, maxX = -1, maxY = -1;
  int left = 0, top = 0, right = 0, bottom = 0;
};
inline constexpr unsigned kShowNormal = 1;
inline constexpr unsigned kShowMinimized = 2;
inline constexpr unsigned kShowMaximized = 3;
inline constexpr unsigned kRestoreToMaximized = 2;

// Exactly ten comma-separated numbers, else nothing.
std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text);
std::string FormatWindowPlacement(const WindowPlacement& placement);

class CMainFrame : public QMainWindow, public ICommandTarget {
 public:
  explicit CMainFrame(CommandRouter& router);
  ~CMainFrame() override;

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

  QMdiArea* MdiArea() const;
  CMdiBackground* Background() const { return m_wndBackground; }
  CommandActions& Actions() { return *m_actions; }
  QComboBox* DatabaseBox() const { return m_wndDatabaseBox; }
  QToolBar* ToolBar() const { return m_wndToolBar; }
  QDockWidget* BrowserBar() const { return m_wndBrowserBar; }
  CSchemaView* GetBrowser() const { return m_pSchemaView; }
  CRecentFileList& RecentFiles() { return m_recentFiles; }

  // Opens a connection, enters it in the browser and opens its first query
  // window; the window's document, or null when the connection or the
  // window could not be made. Without a name, a connection from a free
  // connection string is named after where it connects.
  CQueryDoc* NewConnection(const std::string& connect, const std::optional<std::string>& name);
  CChildFrame* NewQueryWindow(CDBConnection* connection);
  // Opens the script (a native path) in a new query window on the active
  // connection. False, with nothing opened, when there is no connection or
  // the file cannot be read (the user is told why).
  bool OpenFileInQueryWindow(const std::string& path);
  // The table window of an object of the browser (at most one is open).
  // False when no table window was opened.
  bool OpenObjectView(CDBConnection* connection, const std::string& object, int kind);
  // The active query window's connection, else the browser's selected
  // connection, else its first one.
  CDBConnection* GetActiveConnection() const;
  bool Disconnect(CDBConnection* connection);
  bool DisconnectAll();
  CChildFrame* ActiveQueryWindow() const;

  // 40044: the connection dialog, then a connection named after the server.
  void ConnectToServer();
  // 40021: a file database chosen with the file dialog.
  void OpenFileDatabase();
  // 40022: asks for a script with the file dialog and opens it.
  void OpenSqlFile();
  // Opens entry `index` of the recent-file list; a file that no longer
  // exists is removed from the list with a message.
  bool OpenRecentFile(int index);

  // Applies "WindowPos" (or centres the window) and shows it.
  // Offers the unsaved queries an ORVA that did not exit cleanly left in the
  // recovery folder; recovered ones open in query windows on the active
  // connection, or without one until the user connects.
  void RecoverUnsavedQueries();
  void RestoreWindowPlacement();
  void SaveWindowPlacement();

  const std::vector<CChildFrame*>& Windows() const { return m_windows; }
  int QueryWindowCount() const { return m_nQueryWindows; }
  int ConnectionCount() const { return static_cast<int>(m_connections.size()); }
  int ResultMode() const { return m_nResultMode; }
  // Status pane 0: progress texts of long operations; empty clears it.
  void SetMessageText(const QString& text);
  QString MessageText() const;
  QString ConnectionPaneText() const;
  // The keyboard indicator panes (ID_INDICATOR_CAPS, _NUM, _SCROLL).
  QLabel* IndicatorPane(int id) const;
  // Every top-level menu this window built (both menu sets).
  int MenuCount() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void ShowMenus(bool documentOpen);
  void FillRecentFileMenu(QMenu* menu);
  void CreateToolBar();
  void CreateStatusBar();
  void CreateBrowserBar();
  void CreateShortcuts();
  void SetMenuImages();
  // Creates the document, view and frame of a query window on the
  // connection; `path` opens a file instead of starting an empty script.
  CChildFrame* CreateQueryWindow(CDBConnection* connection, const QString& untitled, const std::string& path);
  void ShowQueryWindow(CChildFrame* frame);
  // Closes the table window, if any; false when it refused to close.
  bool CloseObjectView();
  void UpdateTitle(CChildFrame* frame);
  void OnWindowActivated(QMdiSubWindow* window);
  void OnWindowDestroyed(CChildFrame* frame);
  void RefreshConnectionPane();
  void RefreshIndicators();
  void UpdateDatabaseBoxState();
  void ActivateNeighbour(bool next);
  void ShowAboutBox();
  void PrintSetup();

  CommandRouter& m_router;
  CommandActions* m_actions = nullptr;
  CMdiBackground* m_wndBackground = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QComboBox* m_wndDatabaseBox = nullptr;
  QDockWidget* m_wndBrowserBar = nullptr;
  CSchemaView* m_pSchemaView = nullptr;
  std::unique_ptr<IBrowserHost> m_browserHost;  // what the browser asks of this window
  QLabel* m_messagePane = nullptr;
  QLabel* m_connectionPane = nullptr;
  QLabel* m_indicators[3] = {nullptr, nullptr, nullptr};
  QTimer* m_idleTimer = nullptr;
  ImageList m_toolBarImages;
  ImageList m_menuImages;
  QList<QMenu*> m_framePopups;     // menu 102
  QList<QMenu*> m_documentPopups;  // menu 103
  QMenu* m_recentMenu = nullptr;
  bool m_menuForDocuments = false;
  bool m_bClosing = false;
  int m_nResultMode = 0;
  bool m_lockStates[3] = {false, false, false};
  std::unique_ptr<QPrinter> m_printer;
  CRecentFileList m_recentFiles;

  std::vector<std::unique_ptr<CDBConnection>> m_connections;
  std::vector<CChildFrame*> m_windows;
  int m_nQueryWindows = 0;
  QPointer<QWidget> m_pObjectView;
  CDBConnection* m_pObjectViewConnection = nullptr;
};

}  // namespace orva
