#include "app/mainframe.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "calendar/calendardialog.h"
#include "db/dbconnection.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/waitcursor.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"

namespace orva {

namespace {

// Numbers new windows in their titles; it only grows, so numbers are never reused.
int g_nWindowNumber = 0;

// The buttons of the tool bar, 0 for a separator. Each button's image is the
// next one of the strip.
constexpr int kToolBarButtons[] = {
    ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, 0, ID_FILE_NEW_QUERY, ID_FILE_OPEN_SQL,
    ID_FILE_SAVE, ID_FILE_PRINT, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_EDIT_UNDO, ID_EDIT_REDO, 0,
    ID_EDIT_FIND, ID_EDIT_REPEAT, ID_EDIT_FIND_PREVIOUS, ID_EDIT_REPLACE, 0, ID_EDIT_TOGGLE_MARK,
    ID_EDIT_NEXT_MARK, ID_EDIT_PREV_MARK, ID_EDIT_CLEAR_MARKS, 0, ID_QUERY_RUN, ID_QUERY_CANCEL,
    ID_QUERY_DATABASE_BOX, 0, ID_VIEW_BROWSER, ID_VIEW_RESULT_PANE, ID_RESULT_MODE};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The text of a query window's title, GBK parts shown as they are.
QString WindowTitle(const CDBConnection& connection, const QString& tail) {
  return Utf8("查询 － %1.%2.%3 － %4")
      .arg(QStringFromGbk(connection.GetDataSourceName()), QStringFromGbk(connection.GetCurrentDatabase()),
           QStringFromGbk(connection.GetUserName()), tail);
}

}  // namespace

CMainFrame::CMainFrame(CommandRouter& router) : m_router(router) {
  setWindowTitle(QStringLiteral("ORVA"));
  m_actions = new CommandActions(m_router, this);
  LoadImageList(IDR_TOOLBAR_MAIN, 16, m_toolBarImages);
  m_mdiArea = new QMdiArea(this);
  m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdiArea);
  connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnWindowActivated);
  CreateToolBar();
  CreateMenus(false);
  CreateStatusBar();
  CreateShortcuts();

  // Command states follow the application's state while it is idle.
  m_idleTimer = new QTimer(this);
  m_idleTimer->setInterval(250);
  connect(m_idleTimer, &QTimer::timeout, this, [this] {
    m_actions->Refresh();
    RefreshConnectionPane();
  });
  m_idleTimer->start();
  resize(1024, 720);
}

CMainFrame::~CMainFrame() {
  // Windows go before the connections they use.
  for (QMdiSubWindow* window : m_mdiArea->subWindowList()) delete window;
}

void CMainFrame::CreateMenus(bool documentOpen) {
  m_menuForDocuments = documentOpen;
  QMenuBar* bar = menuBar();
  bar->clear();
  auto popup = [this](QMenuBar* owner, const char* title) {
    QMenu* menu = owner->addMenu(Utf8(title));
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_actions->Refresh(menu); });
    return menu;
  };
  auto sub = [this](QMenu* owner, const char* title) {
    QMenu* menu = owner->addMenu(Utf8(title));
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_actions->Refresh(menu); });
    return menu;
  };
  auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
    for (int id : ids) {
      if (id == 0)
        menu->addSeparator();
      else
        m_actions->AddTo(menu, id);
    }
  };

  QMenu* file = popup(bar, "文件(&F)");
  add(file, {ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, 0});
  if (!documentOpen) {
    m_actions->AddTo(file, ID_FILE_DISCONNECT, QString::fromUtf8(kDisconnectMenuTextNoDocument));
    add(file, {ID_FILE_DISCONNECT_ALL, 0, ID_FILE_PRINT_SETUP, 0, ID_APP_EXIT});
    QMenu* view = popup(bar, "查看(&V)");
    add(view, {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR});
    QMenu* tools = popup(bar, "工具(&T)");
    add(tools, {ID_TOOLS_OPTIONS, 0, ID_TOOLS_CALENDAR});
    QMenu* help = popup(bar, "帮助(&H)");
    add(help, {ID_APP_ABOUT});
    return;
  }
  add(file, {ID_FILE_DISCONNECT, ID_FILE_DISCONNECT_ALL, 0, ID_FILE_NEW_QUERY, ID_FILE_OPEN_SQL, ID_FILE_SAVE,
             ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PAGE_SETUP, ID_FILE_PRINT_SETUP, 0,
             ID_APP_EXIT});
  QMenu* edit = popup(bar, "编辑(&E)");
  add(edit, {ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE,
             ID_EDIT_SELECT_ALL, 0, ID_EDIT_READ_ONLY});
  QMenu* search = popup(bar, "搜索(&S)");
  add(search, {ID_EDIT_FIND, ID_EDIT_REPEAT, ID_EDIT_FIND_PREVIOUS, ID_EDIT_REPLACE, 0, ID_EDIT_GOTO_LINE, 0,
               ID_EDIT_TOGGLE_MARK, ID_EDIT_NEXT_MARK, ID_EDIT_PREV_MARK, ID_EDIT_CLEAR_MARKS});
  QMenu* query = popup(bar, "查询(&Q)");
  add(query, {ID_QUERY_RUN, ID_QUERY_CANCEL, 0});
  QMenu* records = sub(query, "记录集");
  add(records, {ID_RECORD_REFRESH, ID_RECORD_SAVE_AS, ID_RECORD_ADD, ID_RECORD_DELETE});
  QMenu* tools = popup(bar, "工具(&T)");
  QMenu* browser = sub(tools, "对象流浪器(&O)");
  add(browser, {ID_VIEW_BROWSER});
  add(tools, {ID_TOOLS_OPTIONS, ID_TOOLS_CALENDAR});
  QMenu* view = popup(bar, "查看(&V)");
  add(view, {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_VIEW_RESULT_PANE});
  QMenu* window = popup(bar, "窗口(&W)");
  add(window, {ID_WINDOW_NEXT, ID_WINDOW_PREV, ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ,
               ID_WINDOW_TILE_VERT, ID_WINDOW_ARRANGE});
  QMenu* help = popup(bar, "帮助(&H)");
  add(help, {ID_APP_ABOUT});
}

void CMainFrame::CreateToolBar() {
  m_wndToolBar = addToolBar(QStringLiteral("ORVA"));
  m_wndToolBar->setObjectName(QStringLiteral("toolbar102"));
  m_wndToolBar->setIconSize(QSize(16, 16));
  m_wndToolBar->setMovable(true);
  int image = 0;
  for (int id : kToolBarButtons) {
    if (id == 0) {
      m_wndToolBar->addSeparator();
      continue;
    }
    const int buttonImage = image++;
    if (id == ID_QUERY_DATABASE_BOX) {
      // The database drop-down lies over this button.
      m_wndDatabaseBox = new QComboBox(m_wndToolBar);
      m_wndDatabaseBox->setObjectName(QStringLiteral("databaseBox"));
      m_wndDatabaseBox->setFixedWidth(120);
      m_wndDatabaseBox->setMaxVisibleItems(16);
      m_wndDatabaseBox->setEnabled(false);
      m_wndToolBar->addWidget(m_wndDatabaseBox);
      connect(m_wndDatabaseBox, &QComboBox::activated, this, [this](int index) {
        if (CChildFrame* frame = ActiveQueryWindow())
          frame->OnDatabaseSelected(GbkFromQString(m_wndDatabaseBox->itemText(index)));
      });
      continue;
    }
    QAction* action = m_actions->Action(id);
    action->setIcon(m_toolBarImages.Icon(buttonImage));
    if (action->toolTip().isEmpty() || action->toolTip() == action->text())
      action->setToolTip(action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')));
    m_wndToolBar->addAction(action);
    if (id == ID_RESULT_MODE) {
      // A drop-down button with the two display modes.
      auto* modes = new QMenu(this);
      m_actions->AddTo(modes, ID_RESULT_AS_TEXT);
      m_actions->AddTo(modes, ID_RESULT_AS_GRID);
      if (auto* button = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(action))) {
        button->setMenu(modes);
        button->setPopupMode(QToolButton::MenuButtonPopup);
      }
    }
  }
}

void CMainFrame::CreateStatusBar() {
  m_messagePane = new QLabel(this);
  statusBar()->addWidget(m_messagePane, 1);
  m_connectionPane = new QLabel(Utf8("连接数：0  "), this);
  m_connectionPane->setMinimumWidth(80);
  statusBar()->addPermanentWidget(m_connectionPane);
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    auto* pane = new QLabel(QString::fromLatin1(indicator), this);
    pane->setEnabled(false);
    statusBar()->addPermanentWidget(pane);
  }
}

void CMainFrame::CreateShortcuts() {
  m_actions->AddShortcut(ID_FILE_CONNECT, QKeySequence(Qt::CTRL | Qt::Key_E));
  m_actions->AddShortcut(ID_FILE_CONNECT_ODBC, QKeySequence(Qt::CTRL | Qt::Key_T));
  m_actions->AddShortcut(ID_FILE_CONNECT_FILE, QKeySequence(Qt::CTRL | Qt::Key_F));
  m_actions->AddShortcut(ID_FILE_NEW_QUERY, QKeySequence(Qt::CTRL | Qt::Key_N));
  m_actions->AddShortcut(ID_FILE_SAVE, QKeySequence(Qt::CTRL | Qt::Key_S));
  m_actions->AddShortcut(ID_WINDOW_NEXT, QKeySequence(Qt::CTRL | Qt::Key_Tab));
  m_actions->AddShortcut(ID_WINDOW_PREV, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab));
}

void CMainFrame::SetMessageText(const QString& text) { m_messagePane->setText(text); }

QString CMainFrame::ConnectionPaneText() const { return m_connectionPane->text(); }

void CMainFrame::RefreshConnectionPane() { m_connectionPane->setText(Utf8("连接数: %1").arg(m_nQueryWindows)); }

CChildFrame* CMainFrame::ActiveQueryWindow() const {
  QMdiSubWindow* active = m_mdiArea->activeSubWindow();
  return active ? dynamic_cast<CChildFrame*>(active->widget()) : nullptr;
}

CDBConnection* CMainFrame::GetActiveConnection() const {
  if (CChildFrame* frame = ActiveQueryWindow()) return frame->GetConnection();
  return m_connections.empty() ? nullptr : m_connections.front().get();
}

CChildFrame* CMainFrame::CreateQueryWindow(CDBConnection* connection, const QString& title) {
  auto document = std::make_unique<CQueryDoc>();
  if (!document->OnNewDocument()) return nullptr;
  auto* frame = new CChildFrame;
  auto* view = new CQueryView(document.get());
  frame->SetQueryView(view);
  document->SetMessageParent(frame);
  document->SetTitle(title);
  frame->SetDocument(std::move(document));
  frame->SetConnection(connection);
  frame->SetDatabaseBox(m_wndDatabaseBox);
  frame->setWindowTitle(title);
  view->OnInitialUpdate();

  QMdiSubWindow* window = m_mdiArea->addSubWindow(frame);
  window->setAttribute(Qt::WA_DeleteOnClose);
  connect(frame, &QObject::destroyed, this, [this, frame] { OnWindowDestroyed(frame); });
  m_windows.push_back(frame);
  ++m_nQueryWindows;
  window->show();
  view->setFocus();
  if (m_nQueryWindows == 1) m_mdiArea->tileSubWindows();
  if (!m_menuForDocuments) CreateMenus(true);
  RefreshConnectionPane();
  return frame;
}

CQueryDoc* CMainFrame::NewConnection(const std::string& connect, const std::optional<std::string>& name) {
  WaitCursor wait;
  SetMessageText(Utf8("正在建立新连接..."));
  auto connection = std::make_unique<CDBConnection>();
  if (!connection->Open(connect)) {
    SetMessageText(QString());
    return nullptr;
  }
  if (name && !name->empty()) connection->SetDataSourceName(*name);
  CDBConnection* raw = connection.get();
  m_connections.push_back(std::move(connection));
  CChildFrame* frame = CreateQueryWindow(raw, WindowTitle(*raw, Utf8("无标题%1").arg(++g_nWindowNumber)));
  if (!frame) {
    raw->Close();
    m_connections.pop_back();
    SetMessageText(QString());
    return nullptr;
  }
  SetMessageText(QString());
  return frame->GetDocument();
}

CChildFrame* CMainFrame::NewQueryWindow(CDBConnection* connection) {
  if (!connection) return nullptr;
  return CreateQueryWindow(connection, WindowTitle(*connection, Utf8("无标题%1").arg(++g_nWindowNumber)));
}

void CMainFrame::OnWindowDestroyed(CChildFrame* frame) {
  auto it = std::find(m_windows.begin(), m_windows.end(), frame);
  if (it == m_windows.end()) return;
  m_windows.erase(it);
  --m_nQueryWindows;
  RefreshConnectionPane();
  if (m_nQueryWindows == 0 && m_menuForDocuments && !m_bClosing) CreateMenus(false);
}

void CMainFrame::OnWindowActivated(QMdiSubWindow* window) {
  auto* frame = window ? dynamic_cast<CChildFrame*>(window->widget()) : nullptr;
  if (frame) {
    frame->SetDatabaseBox(m_wndDatabaseBox);
    frame->FillDatabaseBox();
  }
}

bool CMainFrame::Disconnect(CDBConnection* connection) {
  SetMessageText(Utf8("正在断开连接..."));
  while (true) {
    auto it = std::find_if(m_windows.begin(), m_windows.end(),
                           [connection](CChildFrame* frame) { return frame->GetConnection() == connection; });
    if (it == m_windows.end()) break;
    QWidget* holder = (*it)->parentWidget();
    QWidget* window = holder ? holder : *it;
    if (!window->close()) {
      SetMessageText(QString());
      return false;  // the window refused to close
    }
    // A closed window is deleted later by the event loop; the connection goes
    // now, so the window must go first.
    delete window;
  }
  auto owned = std::find_if(m_connections.begin(), m_connections.end(),
                            [connection](const auto& c) { return c.get() == connection; });
  if (owned != m_connections.end()) {
    (*owned)->Close();
    m_connections.erase(owned);
  }
  SetMessageText(QString());
  return true;
}

bool CMainFrame::DisconnectAll() {
  WaitCursor wait;
  SetMessageText(Utf8("请稍候..."));
  while (!m_connections.empty()) {
    if (!Disconnect(m_connections.front().get())) break;
  }
  RefreshConnectionPane();
  SetMessageText(QString());
  return true;
}

bool CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_FILE_CONNECT_ODBC:
      NewConnection(std::string(), std::nullopt);
      return true;
    case ID_FILE_NEW_QUERY:
      NewQueryWindow(GetActiveConnection());
      return true;
    case ID_TOOLS_CALENDAR:
      calendar::ShowCalendarDialog(this);
      return true;
    case ID_FILE_DISCONNECT:
      if (CDBConnection* connection = GetActiveConnection()) Disconnect(connection);
      return true;
    case ID_FILE_DISCONNECT_ALL:
      DisconnectAll();
      return true;
    case ID_WINDOW_NEXT:
      m_mdiArea->activateNextSubWindow();
      return true;
    case ID_WINDOW_PREV:
      m_mdiArea->activatePreviousSubWindow();
      return true;
    case ID_WINDOW_CASCADE:
      m_mdiArea->cascadeSubWindows();
      return true;
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT:
    case ID_WINDOW_ARRANGE:
      m_mdiArea->tileSubWindows();
      return true;
    case ID_APP_EXIT:
      close();
      return true;
    case ID_VIEW_TOOLBAR:
      m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
      return true;
    case ID_VIEW_STATUS_BAR:
      statusBar()->setVisible(!statusBar()->isVisible());
      return true;
    default:
      return false;
  }
}

bool CMainFrame::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_FILE_CONNECT_ODBC:
    case ID_TOOLS_CALENDAR:
    case ID_APP_EXIT:
    case ID_WINDOW_NEW:
      ui.Enable(id != ID_WINDOW_NEW);
      return true;
    case ID_FILE_NEW_QUERY:
    case ID_FILE_DISCONNECT:
    case ID_FILE_DISCONNECT_ALL:
      ui.Enable(!m_connections.empty());
      return true;
    case ID_WINDOW_NEXT:
    case ID_WINDOW_PREV:
      ui.Enable(m_nQueryWindows > 1);
      return true;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT:
    case ID_WINDOW_ARRANGE:
      ui.Enable(m_nQueryWindows > 0);
      return true;
    case ID_VIEW_TOOLBAR:
      ui.SetCheck(m_wndToolBar->isVisible());
      return true;
    case ID_VIEW_STATUS_BAR:
      ui.SetCheck(statusBar()->isVisible());
      return true;
    default:
      return false;  // not built yet: disabled by the router
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  m_bClosing = true;
  DisconnectAll();
  m_bClosing = false;
  if (m_nQueryWindows == 0) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace orva
