#include "app/mainframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <cstdio>

#include "app/aboutdialog.h"
#include "app/connectdlg.h"
#include "app/connectionname.h"
#include "app/filedatabase.h"
#include "app/lockkeys.h"
#include "app/mdibackground.h"
#include "app/optionssheet.h"
#include "browser/browserhost.h"
#include "browser/schemaview.h"
#include "calendar/calendardialog.h"
#include "db/dbconnection.h"
#include "export/textformatdlg.h"
#include "platform/codec.h"
#include "platform/fontsettings.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/waitcursor.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/autosave.h"
#include "query/recoverydialog.h"
#include "table/singleviewframe.h"

namespace orva {

namespace {

// The object browser's view of the main window: its query windows and the
// table window.
class MainFrameBrowserHost : public IBrowserHost {
 public:
  explicit MainFrameBrowserHost(CMainFrame& frame) : m_frame(frame) {}
  CChildFrame* ActiveQueryWindow() const override { return m_frame.ActiveQueryWindow(); }
  std::vector<CChildFrame*> QueryWindows() const override { return m_frame.Windows(); }
  CChildFrame* NewQueryWindow(CDBConnection* connection) override { return m_frame.NewQueryWindow(connection); }
  bool OpenObjectView(CDBConnection* connection, const std::string& name, int kind) override {
    return m_frame.OpenObjectView(connection, name, kind);
  }

 private:
  CMainFrame& m_frame;
};

// Numbers new windows in their titles; it only grows, so numbers are never reused.
int g_nWindowNumber = 0;

const char kUntitledProperty[] = "orvaUntitled";

// The buttons of the tool bar, 0 for a separator. Each button's image is the
// next one of the strip.
constexpr int kToolBarButtons[] = {
    ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, 0, ID_FILE_NEW_QUERY, ID_FILE_OPEN_SQL,
    ID_FILE_SAVE, ID_FILE_PRINT, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_EDIT_UNDO, ID_EDIT_REDO, 0,
    ID_EDIT_FIND, ID_EDIT_REPEAT, ID_EDIT_FIND_PREVIOUS, ID_EDIT_REPLACE, 0, ID_EDIT_TOGGLE_MARK,
    ID_EDIT_NEXT_MARK, ID_EDIT_PREV_MARK, ID_EDIT_CLEAR_MARKS, 0, ID_QUERY_RUN, ID_QUERY_CANCEL,
    ID_QUERY_DATABASE_BOX, 0, ID_VIEW_BROWSER, ID_VIEW_RESULT_PANE, ID_RESULT_MODE};

// Commands whose menu images come from the menu strip rather than the tool bar.
constexpr std::pair<int, int> kMenuImages[] = {
    {ID_TOOLS_CALENDAR, 5}, {ID_TOOLS_OPTIONS, 6}, {ID_APP_EXIT, 13}, {ID_APP_ABOUT, 12}};

constexpr int kIndicatorIds[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCROLL};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The text of a query window's title, GBK parts shown as they are.
QString WindowTitle(const CDBConnection& connection, const QString& tail) {
  return Utf8("查询 － %1.%2.%3 － %4")
      .arg(QStringFromGbk(connection.GetDataSourceName()), QStringFromGbk(connection.GetCurrentDatabase()),
           QStringFromGbk(connection.GetUserName()), tail);
}

}  // namespace

std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text) {
  const QStringList parts = QString::fromStdString(text).split(QLatin1Char(','));
  if (parts.size() != 10) return std::nullopt;
  long long numbers[10];
  for (int i = 0; i < 10; ++i) {
    bool ok = false;
    numbers[i] = parts[i].trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
  }
  WindowPlacement placement;
  placement.flags = static_cast<unsigned>(numbers[0]);
  placement.showCommand = static_cast<unsigned>(numbers[1]);
  placement.minX = static_cast<int>(numbers[2]);
  placement.minY = static_cast<int>(numbers[3]);
  placement.maxX = static_cast<int>(numbers[4]);
  placement.maxY = static_cast<int>(numbers[5]);
  placement.left = static_cast<int>(numbers[6]);
  placement.top = static_cast<int>(numbers[7]);
  placement.right = static_cast<int>(numbers[8]);
  placement.bottom = static_cast<int>(numbers[9]);
  return placement;
}

std::string FormatWindowPlacement(const WindowPlacement& p) {
  char text[160];
  std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCommand, p.minX, p.minY, p.maxX,
                p.maxY, p.left, p.top, p.right, p.bottom);
  return text;
}

CMainFrame::CMainFrame(CommandRouter& router) : m_router(router) {
  setWindowTitle(QStringLiteral("ORVA"));
  setAcceptDrops(true);
  m_actions = new CommandActions(m_router, this);
  LoadImageList(IDR_TOOLBAR_MAIN, 16, m_toolBarImages);
  LoadImageList(IDB_MENU_IMAGES, 16, m_menuImages);
  m_wndBackground = new CMdiBackground(this);
  m_wndBackground->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_wndBackground->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_wndBackground);
  connect(m_wndBackground, &QMdiArea::subWindowActivated, this, &CMainFrame::OnWindowActivated);
  m_recentFiles.Load();
  CreateToolBar();
  CreateStatusBar();
  CreateBrowserBar();
  SetMenuImages();
  BuildMenus();
  ShowMenus(false);
  CreateShortcuts();

  // Commands follow the active query window wherever the focus is.
  m_router.SetActiveWindowProvider([this] {
    CommandRouter::ActiveWindow active;
    if (CChildFrame* frame = ActiveQueryWindow()) {
      active.window = frame;
      active.mainView = frame->GetSqlView();
    } else if (QMdiSubWindow* window = m_wndBackground->activeSubWindow()) {
      active.window = window->widget();
    }
    return active;
  });

  // The lock keys are tracked from key presses where the display cannot be asked.
  qApp->installEventFilter(this);

  // Command states follow the application's state while it is idle.
  m_idleTimer = new QTimer(this);
  m_idleTimer->setInterval(250);
  connect(m_idleTimer, &QTimer::timeout, this, [this] {
    m_actions->Refresh();
    RefreshConnectionPane();
    RefreshIndicators();
    UpdateDatabaseBoxState();
  });
  m_idleTimer->start();
  resize(1024, 720);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  m_router.SetActiveWindowProvider(nullptr);
  m_bClosing = true;
  // Windows go before the connections they use.
  for (QMdiSubWindow* window : m_wndBackground->subWindowList()) delete window;
}

QMdiArea* CMainFrame::MdiArea() const { return m_wndBackground; }

void CMainFrame::SetMenuImages() {
  for (const auto& [id, image] : kMenuImages) m_actions->Action(id)->setIcon(m_menuImages.Icon(image));
}

void CMainFrame::BuildMenus() {
  // Both menu sets are built once and swapped, so switching never leaks menus.
  auto popup = [this](QList<QMenu*>& set, const char* title) {
    auto* menu = new QMenu(Utf8(title), this);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_actions->Refresh(menu); });
    set << menu;
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

  // Menu 102: no document window open.
  QMenu* file = popup(m_framePopups, "文件(&F)");
  add(file, {ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, 0});
  m_actions->AddTo(file, ID_FILE_DISCONNECT, QString::fromUtf8(kDisconnectMenuTextNoDocument));
  add(file, {ID_FILE_DISCONNECT_ALL, 0, ID_FILE_PRINT_SETUP, 0, ID_APP_EXIT});
  add(popup(m_framePopups, "查看(&V)"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR});
  add(popup(m_framePopups, "工具(&T)"), {ID_TOOLS_OPTIONS, 0, ID_TOOLS_CALENDAR});
  add(popup(m_framePopups, "帮助(&H)"), {ID_APP_ABOUT});

  // Menu 103: while a document window is open.
  file = popup(m_documentPopups, "文件(&F)");
  add(file, {ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, 0, ID_FILE_DISCONNECT,
             ID_FILE_DISCONNECT_ALL, 0, ID_FILE_NEW_QUERY, ID_FILE_OPEN_SQL, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0,
             ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PAGE_SETUP, ID_FILE_PRINT_SETUP, 0});
  m_recentMenu = file;
  // The recent files sit between this separator and the next; refilled
  // whenever the menu opens.
  connect(file, &QMenu::aboutToShow, this, [this, file] { FillRecentFileMenu(file); });
  file->addSeparator()->setObjectName(QStringLiteral("recentEnd"));
  add(file, {ID_APP_EXIT});
  FillRecentFileMenu(file);
  QMenu* edit = popup(m_documentPopups, "编辑(&E)");
  add(edit, {ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE,
             ID_EDIT_SELECT_ALL, 0, ID_EDIT_READ_ONLY});
  QMenu* search = popup(m_documentPopups, "搜索(&S)");
  add(search, {ID_EDIT_FIND, ID_EDIT_REPEAT, ID_EDIT_FIND_PREVIOUS, ID_EDIT_REPLACE, 0, ID_EDIT_GOTO_LINE, 0,
               ID_EDIT_TOGGLE_MARK, ID_EDIT_NEXT_MARK, ID_EDIT_PREV_MARK, ID_EDIT_CLEAR_MARKS});
  QMenu* query = popup(m_documentPopups, "查询(&Q)");
  add(query, {ID_QUERY_RUN, ID_QUERY_CANCEL});
  add(sub(query, "记录集"), {ID_RECORD_REFRESH, ID_RECORD_SAVE_AS, ID_RECORD_ADD, ID_RECORD_DELETE});
  QMenu* tools = popup(m_documentPopups, "工具(&T)");
  add(sub(tools, "对象流浪器(&O)"), {ID_VIEW_BROWSER, ID_OBJECT_OPEN, ID_OBJECT_SELECT_SHORT, ID_OBJECT_SELECT_FULL,
                                    ID_OBJECT_CREATE_TABLE, ID_OBJECT_REFRESH, ID_OBJECT_DROP, ID_OBJECT_PROPERTIES});
  add(tools, {ID_TOOLS_OPTIONS, ID_TOOLS_CALENDAR});
  add(popup(m_documentPopups, "查看(&V)"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_VIEW_RESULT_PANE});
  add(popup(m_documentPopups, "窗口(&W)"), {ID_WINDOW_NEXT, ID_WINDOW_PREV, ID_WINDOW_NEW, ID_WINDOW_CASCADE,
                                            ID_WINDOW_TILE_HORZ, ID_WINDOW_TILE_VERT, ID_WINDOW_ARRANGE});
  add(popup(m_documentPopups, "帮助(&H)"), {ID_APP_ABOUT});
}

void CMainFrame::FillRecentFileMenu(QMenu* menu) {
  // Drop the old entries: everything between the print setup item's
  // separator and the "recentEnd" separator.
  const QList<QAction*> actions = menu->actions();
  QAction* end = nullptr;
  for (QAction* action : actions) {
    if (action->objectName() == QLatin1String("recentEnd")) end = action;
    if (action->property("orvaRecent").isValid()) {
      menu->removeAction(action);
      action->deleteLater();
    }
  }
  if (!end) return;
  if (m_recentFiles.Count() == 0) {
    auto* placeholder = new QAction(Utf8("最近打开的文件"), menu);
    placeholder->setEnabled(false);
    placeholder->setProperty("orvaRecent", -1);
    menu->insertAction(end, placeholder);
    return;
  }
  for (int i = 0; i < m_recentFiles.Count(); ++i) {
    auto* entry = new QAction(m_recentFiles.MenuText(i), menu);
    entry->setProperty("orvaRecent", i);
    entry->setProperty("orvaCommandId", ID_FILE_MRU_FIRST + i);
    connect(entry, &QAction::triggered, this, [this, i] { m_router.Route(ID_FILE_MRU_FIRST + i, QApplication::focusWidget()); });
    menu->insertAction(end, entry);
  }
}

void CMainFrame::ShowMenus(bool documentOpen) {
  m_menuForDocuments = documentOpen;
  QMenuBar* bar = menuBar();
  for (QAction* action : bar->actions()) bar->removeAction(action);
  for (QMenu* menu : documentOpen ? m_documentPopups : m_framePopups) bar->addAction(menu->menuAction());
}

int CMainFrame::MenuCount() const { return static_cast<int>(findChildren<QMenu*>().size()); }

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
        if (CChildFrame* frame = ActiveQueryWindow()) {
          frame->OnDatabaseSelected(GbkFromQString(m_wndDatabaseBox->itemText(index)));
          for (CChildFrame* window : m_windows)
            if (window->GetConnection() == frame->GetConnection()) UpdateTitle(window);
        }
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
      connect(modes, &QMenu::aboutToShow, this, [this, modes] { m_actions->Refresh(modes); });
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
  const char* texts[] = {"CAP", "NUM", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    m_indicators[i] = new QLabel(QString::fromLatin1(texts[i]), this);
    m_indicators[i]->setEnabled(false);
    statusBar()->addPermanentWidget(m_indicators[i]);
  }
  RefreshIndicators();
}

void CMainFrame::CreateBrowserBar() {
  m_wndBrowserBar = new QDockWidget(Utf8("对象浏览器"), this);
  m_wndBrowserBar->setObjectName(QStringLiteral("browserBar"));
  m_wndBrowserBar->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                               QDockWidget::DockWidgetFloatable);
  m_pSchemaView = new CSchemaView(m_wndBrowserBar);
  m_pSchemaView->setObjectName(QStringLiteral("schemaView"));
  m_browserHost = std::make_unique<MainFrameBrowserHost>(*this);
  m_pSchemaView->SetHost(m_browserHost.get());
  m_wndBrowserBar->setWidget(m_pSchemaView);
  addDockWidget(Qt::LeftDockWidgetArea, m_wndBrowserBar);
  // The browser takes the font chosen for it in the options, now and on change.
  auto applyBrowserFont = [this] {
    const QScreen* screen = this->screen();
    const int dpiY = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
    if (std::optional<QFont> font = ChosenAreaFont(FontArea::Browser, dpiY)) m_pSchemaView->setFont(*font);
  };
  applyBrowserFont();
  connect(&FontSettingsNotifier::Instance(), &FontSettingsNotifier::Changed, this, [applyBrowserFont](int area) {
    if (area == static_cast<int>(FontArea::Browser)) applyBrowserFont();
  });
  resizeDocks({m_wndBrowserBar}, {220}, Qt::Horizontal);
}

void CMainFrame::CreateShortcuts() {
  // The main accelerator table; the keys named in menu texts beyond these
  // are labels only.
  const std::pair<int, QKeySequence> keys[] = {
      {ID_FILE_NEW, QKeySequence(Qt::CTRL | Qt::Key_N)},
      {ID_FILE_OPEN, QKeySequence(Qt::CTRL | Qt::Key_O)},
      {ID_FILE_SAVE, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {ID_FILE_PRINT, QKeySequence(Qt::CTRL | Qt::Key_P)},
      {ID_EDIT_COPY, QKeySequence(Qt::CTRL | Qt::Key_C)},
      {ID_EDIT_COPY, QKeySequence(Qt::CTRL | Qt::Key_Insert)},
      {ID_EDIT_PASTE, QKeySequence(Qt::CTRL | Qt::Key_V)},
      {ID_EDIT_PASTE, QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
      {ID_EDIT_CUT, QKeySequence(Qt::CTRL | Qt::Key_X)},
      {ID_EDIT_CUT, QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
      {ID_EDIT_UNDO, QKeySequence(Qt::CTRL | Qt::Key_Z)},
      {ID_EDIT_UNDO, QKeySequence(Qt::ALT | Qt::Key_Backspace)},
      {ID_QUERY_RUN, QKeySequence(Qt::Key_F5)},
      {ID_QUERY_RUN, QKeySequence(Qt::CTRL | Qt::Key_Return)},
      {ID_QUERY_RUN, QKeySequence(Qt::CTRL | Qt::Key_Enter)},
      {ID_NEXT_PANE, QKeySequence(Qt::Key_F6)},
      {ID_PREV_PANE, QKeySequence(Qt::SHIFT | Qt::Key_F6)},
      {ID_WINDOW_NEXT, QKeySequence(Qt::CTRL | Qt::Key_Tab)},
      {ID_WINDOW_PREV, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
      {ID_WINDOW_PREV, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
  };
  for (const auto& [id, key] : keys) m_actions->AddShortcut(id, key);
}

void CMainFrame::SetMessageText(const QString& text) { m_messagePane->setText(text); }
QString CMainFrame::MessageText() const { return m_messagePane->text(); }
QString CMainFrame::ConnectionPaneText() const { return m_connectionPane->text(); }

QLabel* CMainFrame::IndicatorPane(int id) const {
  for (int i = 0; i < 3; ++i)
    if (kIndicatorIds[i] == id) return m_indicators[i];
  return nullptr;
}

void CMainFrame::RefreshConnectionPane() { m_connectionPane->setText(Utf8("连接数: %1").arg(m_nQueryWindows)); }

void CMainFrame::RefreshIndicators() {
  if (auto states = QueryLockKeys()) {
    for (int i = 0; i < 3; ++i) m_lockStates[i] = (*states)[i];
  }
  for (int i = 0; i < 3; ++i) m_indicators[i]->setEnabled(m_lockStates[i]);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int index = key == Qt::Key_CapsLock ? 0 : key == Qt::Key_NumLock ? 1 : key == Qt::Key_ScrollLock ? 2 : -1;
    // A key press reaches the filter once per receiving object on its way
    // up; only the first (the focus widget) counts.
    if (index >= 0 && watched == QApplication::focusWidget()) {
      m_lockStates[index] = !m_lockStates[index];
      if (!QueryLockKeys()) m_indicators[index]->setEnabled(m_lockStates[index]);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

CChildFrame* CMainFrame::ActiveQueryWindow() const {
  QMdiSubWindow* active = m_wndBackground->activeSubWindow();
  return active ? dynamic_cast<CChildFrame*>(active->widget()) : nullptr;
}

CDBConnection* CMainFrame::GetActiveConnection() const {
  if (CChildFrame* frame = ActiveQueryWindow()) return frame->GetConnection();
  if (!m_pSchemaView->HasConnections()) return nullptr;
  if (CDBConnection* selected = m_pSchemaView->SelectedConnection()) return selected;
  return m_pSchemaView->FirstConnection();
}

void CMainFrame::UpdateTitle(CChildFrame* frame) {
  CQueryDoc* document = frame->GetDocument();
  CDBConnection* connection = frame->GetConnection();
  if (!document || !connection) return;
  const QString tail = document->PathName().empty() ? frame->property(kUntitledProperty).toString()
                                                    : QString::fromStdString(document->PathName());
  QString title = WindowTitle(*connection, tail);
  if (document->IsModified()) title += QStringLiteral(" *");
  frame->setWindowTitle(title);
  if (QWidget* holder = frame->parentWidget()) holder->setWindowTitle(title);
}

CChildFrame* CMainFrame::CreateQueryWindow(CDBConnection* connection, const QString& untitled,
                                           const std::string& path) {
  auto document = std::make_unique<CQueryDoc>();
  auto* frame = new CChildFrame;
  document->SetMessageParent(this);
  if (path.empty() ? !document->OnNewDocument() : !document->OnOpenDocument(path)) {
    delete frame;
    return nullptr;
  }
  auto* view = new CQueryView(document.get());
  frame->SetQueryView(view);
  document->SetMessageParent(frame);
  if (path.empty()) document->SetTitle(untitled);
  CQueryDoc* doc = document.get();
  frame->SetDocument(std::move(document));
  frame->setProperty(kUntitledProperty, untitled);
  // A second window on a connection that is running takes the database list
  // of the running window instead of querying the busy connection.
  frame->SetConnection(connection);
  frame->SetDatabaseBox(m_wndDatabaseBox);
  frame->SetRunStateObserver([this] { UpdateDatabaseBoxState(); });
  doc->SetModifiedObserver([this, frame](bool) { UpdateTitle(frame); });
  doc->SetPathObserver([this, frame] {
    UpdateTitle(frame);
    if (!frame->GetDocument()->PathName().empty())
      m_recentFiles.Add(QString::fromStdString(frame->GetDocument()->PathName()));
  });
  view->OnInitialUpdate();
  UpdateTitle(frame);
  return frame;
}

void CMainFrame::ShowQueryWindow(CChildFrame* frame) {
  const bool otherActive = m_wndBackground->activeSubWindow() != nullptr;
  QMdiSubWindow* window = m_wndBackground->addSubWindow(frame);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(frame->windowTitle());
  connect(frame, &QObject::destroyed, this, [this, frame] { OnWindowDestroyed(frame); });
  m_windows.push_back(frame);
  ++m_nQueryWindows;
  // The first window fills the area; later ones take their own size.
  if (otherActive)
    window->show();
  else
    window->showMaximized();
  m_wndBackground->setActiveSubWindow(window);
  if (frame->GetSqlView()) frame->GetSqlView()->setFocus();
  if (m_nQueryWindows == 1) OnCommand(ID_WINDOW_TILE_HORZ);
  if (!m_menuForDocuments) ShowMenus(true);
  RefreshConnectionPane();
}

CQueryDoc* CMainFrame::NewConnection(const std::string& connect, const std::optional<std::string>& name) {
  WaitCursor wait;
  SetMessageText(Utf8("正在建立新连接..."));
  auto connection = std::make_unique<CDBConnection>();
  if (!connection->Open(connect)) {
    SetMessageText(QString());
    return nullptr;
  }
  if (name && !name->empty()) {
    connection->SetDataSourceName(*name);
  } else if (ConnectStringKeyValue(connection->GetConnectString(), "DSN").empty()) {
    // A free connection string: name the connection after where it goes.
    const std::string where = ConnectionDisplayName(connection->GetConnectString());
    if (!where.empty()) connection->SetDataSourceName(where);
  }
  CDBConnection* raw = connection.get();
  CChildFrame* frame = CreateQueryWindow(raw, Utf8("无标题%1").arg(g_nWindowNumber + 1), std::string());
  if (!frame) {
    raw->Close();
    SetMessageText(QString());
    return nullptr;
  }
  m_connections.push_back(std::move(connection));
  m_pSchemaView->AddConnection(raw, raw->GetDataSourceName());
  // Recovered windows opened before any connection get this one.
  for (CChildFrame* waiting : m_windows) {
    if (waiting->GetConnection()) continue;
    waiting->SetConnection(raw);
    UpdateTitle(waiting);
  }
  ++g_nWindowNumber;
  ShowQueryWindow(frame);
  RefreshConnectionPane();
  SetMessageText(QString());
  return frame->GetDocument();
}

void CMainFrame::RecoverUnsavedQueries() {
  CRecoveryStore* store = CQueryAutosave::Store();
  if (!store) return;
  for (const RecoveryEntry& entry : AskWhichToRecover(*store, this)) {
    CChildFrame* frame = CreateQueryWindow(GetActiveConnection(), Utf8("无标题%1").arg(g_nWindowNumber + 1), {});
    if (!frame) continue;
    ++g_nWindowNumber;
    if (!RestoreRecoveredWindow(*frame, entry)) {
      delete frame;
      continue;
    }
    ShowQueryWindow(frame);
    UpdateTitle(frame);
  }
}

CChildFrame* CMainFrame::NewQueryWindow(CDBConnection* connection) {
  if (!connection) return nullptr;
  CChildFrame* frame = CreateQueryWindow(connection, Utf8("无标题%1").arg(g_nWindowNumber + 1), std::string());
  if (!frame) return nullptr;
  ++g_nWindowNumber;
  ShowQueryWindow(frame);
  return frame;
}

bool CMainFrame::OpenFileInQueryWindow(const std::string& path) {
  CDBConnection* connection = GetActiveConnection();
  if (!connection) return false;
  if (QFileInfo(QString::fromStdString(path)).isDir()) {
    ShowMessageBox(Utf8("无法打开文件“%1”：\n这是一个文件夹").arg(QString::fromStdString(path)),
                   QStringLiteral("ORVA"), MbIcon::Warning, MbButtons::Ok, this);
    return false;
  }
  CChildFrame* frame = CreateQueryWindow(connection, QString(), path);
  if (!frame) return false;
  m_recentFiles.Add(QString::fromStdString(frame->GetDocument()->PathName()));
  ShowQueryWindow(frame);
  return true;
}

void CMainFrame::OpenSqlFile() {
  std::string extension = GetProfileText("Setting", "LastSQLFileExt", "");
  if (extension.empty()) extension = "sql";
  QString folder = QString::fromStdString(GetProfileText("Setting", "LastSQLFilePath", ""));
  if (folder.isEmpty()) folder = QDir::currentPath();
  QFileDialog dialog(this, Utf8("打开"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = {Utf8("SQL 脚本 (*.sql)"), Utf8("文本文件(*.txt)"), Utf8("所有文件(*.*)")};
  dialog.setNameFilters(filters);
  const QString ext = QString::fromStdString(extension);
  if (ext.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
    dialog.selectNameFilter(filters[1]);
  else if (ext.compare(QLatin1String("sql"), Qt::CaseInsensitive) != 0)
    dialog.selectNameFilter(filters[2]);
  dialog.setDefaultSuffix(ext);
  dialog.setDirectory(folder);
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QFileInfo chosen(dialog.selectedFiles().first());
  WriteProfileText("Setting", "LastSQLFilePath", chosen.absolutePath().toStdString());
  if (!chosen.suffix().isEmpty()) WriteProfileText("Setting", "LastSQLFileExt", chosen.suffix().toStdString());
  OpenFileInQueryWindow(chosen.absoluteFilePath().toStdString());
}

bool CMainFrame::OpenRecentFile(int index) {
  const QString path = m_recentFiles.File(index);
  if (path.isEmpty()) return false;
  if (!QFileInfo::exists(path)) {
    ShowMessageBox(Utf8("找不到文件“%1”。\n它已从最近打开的文件列表中删除。").arg(path), QStringLiteral("ORVA"),
                   MbIcon::Warning, MbButtons::Ok, this);
    m_recentFiles.Remove(index);
    return false;
  }
  return OpenFileInQueryWindow(path.toStdString());
}

void CMainFrame::OnWindowDestroyed(CChildFrame* frame) {
  auto it = std::find(m_windows.begin(), m_windows.end(), frame);
  if (it == m_windows.end()) return;
  m_windows.erase(it);
  --m_nQueryWindows;
  RefreshConnectionPane();
  if (m_nQueryWindows == 0 && m_menuForDocuments && !m_bClosing) ShowMenus(false);
  if (m_nQueryWindows == 0 && !m_bClosing) {
    const QSignalBlocker block(m_wndDatabaseBox);
    m_wndDatabaseBox->clear();
    m_wndDatabaseBox->setEnabled(false);
  }
}

void CMainFrame::OnWindowActivated(QMdiSubWindow* window) {
  auto* frame = window ? dynamic_cast<CChildFrame*>(window->widget()) : nullptr;
  if (frame) {
    frame->SetDatabaseBox(m_wndDatabaseBox);
    frame->FillDatabaseBox();
    UpdateDatabaseBoxState();
  }
}

void CMainFrame::UpdateDatabaseBoxState() {
  CChildFrame* frame = ActiveQueryWindow();
  if (!frame || !frame->GetConnection()) return;
  // No database can be chosen while a script runs on the connection.
  const bool enable = frame->GetConnection()->HasDatabases() && !CChildFrame::IsConnectionBusy(frame->GetConnection());
  if (m_wndDatabaseBox->isEnabled() != enable) m_wndDatabaseBox->setEnabled(enable);
}

bool CMainFrame::CloseObjectView() {
  if (!m_pObjectView) return true;
  QWidget* holder = m_pObjectView->parentWidget();
  QWidget* window = qobject_cast<QMdiSubWindow*>(holder) ? holder : m_pObjectView.data();
  if (!window->close()) return false;  // the user kept rows that are not saved
  delete window;
  m_pObjectViewConnection = nullptr;
  return true;
}

bool CMainFrame::OpenObjectView(CDBConnection* connection, const std::string& object, int kind) {
  if (!connection) return false;
  // At most one table window: the previous one goes first.
  if (!CloseObjectView()) return false;
  auto* frame = new CSingleViewFrame;
  frame->SetTarget(connection, object, kind);
  ++g_nWindowNumber;
  frame->setWindowTitle(TableWindowTitle(kind, *connection, object, g_nWindowNumber));
  QMdiSubWindow* window = m_wndBackground->addSubWindow(frame);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(frame->windowTitle());
  m_pObjectView = frame;
  m_pObjectViewConnection = connection;
  // Among query windows it takes most of the area, so the rows can be seen.
  const QSize area = m_wndBackground->viewport()->size();
  window->resize(std::max(400, area.width() * 4 / 5), std::max(300, area.height() * 4 / 5));
  window->show();
  m_wndBackground->setActiveSubWindow(window);
  frame->OnInitialUpdate();
  if (m_nQueryWindows == 0) OnCommand(ID_WINDOW_TILE_HORZ);
  if (!m_menuForDocuments) ShowMenus(true);
  return true;
}

bool CMainFrame::Disconnect(CDBConnection* connection) {
  if (!connection) return false;
  SetMessageText(Utf8("正在断开连接..."));
  while (true) {
    auto it = std::find_if(m_windows.begin(), m_windows.end(),
                           [connection](CChildFrame* frame) { return frame->GetConnection() == connection; });
    if (it == m_windows.end()) break;
    QWidget* holder = (*it)->parentWidget();
    QWidget* window = holder ? holder : *it;
    const int before = m_nQueryWindows;
    if (!window->close()) {
      SetMessageText(QString());
      return false;  // the window refused to close
    }
    // A closed window is deleted later by the event loop; the connection goes
    // now, so the window must go first.
    delete window;
    if (m_nQueryWindows == before) {
      SetMessageText(QString());
      return false;
    }
  }
  // The table window never outlives its connection.
  if (m_pObjectView && m_pObjectViewConnection == connection && !CloseObjectView()) {
    SetMessageText(QString());
    return false;
  }
  SetMessageText(QString());
  if (!m_pSchemaView->RootOf(connection)) return true;
  m_pSchemaView->RemoveConnection(connection);
  auto owned = std::find_if(m_connections.begin(), m_connections.end(),
                            [connection](const auto& c) { return c.get() == connection; });
  if (owned != m_connections.end()) {
    (*owned)->Close();
    m_connections.erase(owned);
  }
  if (m_pObjectViewConnection == connection) m_pObjectViewConnection = nullptr;
  return true;
}

bool CMainFrame::DisconnectAll() {
  WaitCursor wait;
  SetMessageText(Utf8("请稍候..."));
  QMdiSubWindow* active = m_wndBackground->activeSubWindow();
  if (!active && !m_wndBackground->subWindowList().isEmpty()) active = m_wndBackground->subWindowList().first();
  while (active) {
    auto* frame = dynamic_cast<CChildFrame*>(active->widget());
    if (frame && frame->GetConnection()) {
      Disconnect(frame->GetConnection());
      RefreshConnectionPane();
    } else if (active->close()) {  // also a recovered window still without a connection
      delete active;
    }
    QMdiSubWindow* next = m_wndBackground->activeSubWindow();
    if (!next && !m_wndBackground->subWindowList().isEmpty()) next = m_wndBackground->subWindowList().first();
    if (next == active) {
      // It did not close: a window still cancelling its statement closes the
      // main window itself once the cancel is over.
      if (frame && frame->IsCancelling()) frame->SetExitAfterCancel(m_bClosing);
      break;
    }
    active = next;
  }
  RefreshConnectionPane();
  SetMessageText(QString());
  return true;
}

void CMainFrame::ActivateNeighbour(bool next) {
  if (next)
    m_wndBackground->activateNextSubWindow();
  else
    m_wndBackground->activatePreviousSubWindow();
}

void CMainFrame::ShowAboutBox() {
  CAboutDlg dialog(this);
  ExecDialog(dialog);
}

void CMainFrame::ConnectToServer() {
  CConnectDlg dialog(this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  NewConnection(ServerConnectString(dialog.Login()), dialog.m_strServer);
}

void CMainFrame::OpenFileDatabase() {
  const std::optional<QString> path = AskFileDatabasePath(this);
  if (!path) return;
  const std::optional<FileDatabase> database = FileDatabaseFor(*path);
  if (!database) return;  // an extension no driver opens
  // A text file is described first; the connection is made whatever the
  // dialog's outcome, from what schema.ini then says or the driver's guess.
  if (database->kind == FileDatabaseKind::Text) RunTextFormatDialog(*path, this);
  NewConnection(database->connect, database->name);
}

void CMainFrame::PrintSetup() {
  if (!m_printer) m_printer = std::make_unique<QPrinter>();
  QPageSetupDialog dialog(m_printer.get(), this);
  ExecDialog(dialog);
}

bool CMainFrame::OnCommand(int id) {
  if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) {
    OpenRecentFile(id - ID_FILE_MRU_FIRST);
    return true;
  }
  switch (id) {
    case ID_FILE_CONNECT_ODBC:
      NewConnection(std::string(), std::nullopt);
      return true;
    case ID_FILE_CONNECT:
      ConnectToServer();
      return true;
    case ID_FILE_CONNECT_FILE:
      OpenFileDatabase();
      return true;
    case ID_FILE_NEW:
    case ID_FILE_NEW_QUERY:
      NewQueryWindow(GetActiveConnection());
      return true;
    case ID_FILE_OPEN:
    case ID_FILE_OPEN_SQL:
      OpenSqlFile();
      return true;
    case ID_FILE_DISCONNECT:
      if (CDBConnection* connection = m_pSchemaView->SelectedNodeConnection()) Disconnect(connection);
      return true;
    case ID_FILE_DISCONNECT_ALL:
      DisconnectAll();
      return true;
    case ID_FILE_PRINT_SETUP:
      PrintSetup();
      return true;
    case ID_TOOLS_CALENDAR:
      calendar::ShowCalendarDialog(this);
      return true;
    case ID_TOOLS_OPTIONS:
      RunOptionsSheet(this);
      return true;
    case ID_APP_ABOUT:
      ShowAboutBox();
      return true;
    case ID_VIEW_BROWSER:
      m_wndBrowserBar->setVisible(!m_wndBrowserBar->isVisible());
      return true;
    case ID_RESULT_AS_TEXT:
      m_nResultMode = 1;
      return true;
    case ID_RESULT_AS_GRID:
      m_nResultMode = 0;
      return true;
    case ID_RESULT_MODE:
      if (auto* button = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(m_actions->Action(ID_RESULT_MODE))))
        button->showMenu();
      return true;
    case ID_WINDOW_NEXT:
      ActivateNeighbour(true);
      return true;
    case ID_WINDOW_PREV:
      ActivateNeighbour(false);
      return true;
    case ID_WINDOW_NEW:
      if (CChildFrame* frame = ActiveQueryWindow()) NewQueryWindow(frame->GetConnection());
      return true;
    case ID_WINDOW_CASCADE:
      m_wndBackground->cascadeSubWindows();
      return true;
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT: {
      // Side by side (vertical tiling) or one above the other (horizontal).
      QList<QMdiSubWindow*> windows;
      for (QMdiSubWindow* window : m_wndBackground->subWindowList())
        if (!window->isMinimized() && window->isVisible()) windows << window;
      if (windows.isEmpty()) return true;
      const QRect area = m_wndBackground->viewport()->rect();
      const int count = static_cast<int>(windows.size());
      for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized()) window->showNormal();
        QRect cell;
        if (id == ID_WINDOW_TILE_HORZ) {
          const int top = area.height() * i / count, bottom = area.height() * (i + 1) / count;
          cell = QRect(area.left(), area.top() + top, area.width(), bottom - top);
        } else {
          const int left = area.width() * i / count, right = area.width() * (i + 1) / count;
          cell = QRect(area.left() + left, area.top(), right - left, area.height());
        }
        window->setGeometry(cell);
      }
      return true;
    }
    case ID_WINDOW_ARRANGE: {
      // Minimised windows line up along the bottom edge.
      const QRect area = m_wndBackground->viewport()->rect();
      int x = area.left();
      for (QMdiSubWindow* window : m_wndBackground->subWindowList()) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        if (x + size.width() > area.right() && x > area.left()) x = area.left();
        window->move(x, area.bottom() + 1 - size.height());
        x += size.width();
      }
      return true;
    }
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
  if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) {
    ui.Enable(id - ID_FILE_MRU_FIRST < m_recentFiles.Count());
    return true;
  }
  switch (id) {
    case ID_FILE_CONNECT_ODBC:
    case ID_FILE_CONNECT:
    case ID_FILE_CONNECT_FILE:
    case ID_FILE_PRINT_SETUP:
    case ID_TOOLS_CALENDAR:
    case ID_TOOLS_OPTIONS:
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
    case ID_RESULT_MODE:
      ui.Enable(true);
      return true;
    case ID_FILE_DISCONNECT:
      ui.Enable(m_pSchemaView->SelectedNodeConnection() != nullptr);
      return true;
    case ID_FILE_NEW:
    case ID_FILE_NEW_QUERY:
    case ID_FILE_OPEN:
    case ID_FILE_OPEN_SQL:
    case ID_FILE_DISCONNECT_ALL:
      ui.Enable(m_pSchemaView->HasConnections());
      return true;
    case ID_VIEW_BROWSER:
      ui.SetCheck(m_wndBrowserBar->isVisible());
      return true;
    case ID_RESULT_AS_TEXT:
      ui.SetCheck(m_nResultMode == 1);
      return true;
    case ID_RESULT_AS_GRID:
      ui.SetCheck(m_nResultMode == 0);
      return true;
    case ID_WINDOW_NEXT:
    case ID_WINDOW_PREV:
      ui.Enable(m_nQueryWindows > 1);
      return true;
    case ID_WINDOW_NEW:
      ui.Enable(ActiveQueryWindow() != nullptr);
      return true;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT:
      ui.Enable(!m_wndBackground->subWindowList().isEmpty());
      return true;
    case ID_WINDOW_ARRANGE:
      ui.Enable(true);
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

void CMainFrame::RestoreWindowPlacement() {
  const std::optional<WindowPlacement> placement = ParseWindowPlacement(GetProfileText("Setting", "WindowPos", ""));
  if (!placement) {
    // Centred on the screen.
    show();
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 900);
    QRect frame = frameGeometry();
    frame.moveCenter(screen.center());
    move(frame.topLeft());
    return;
  }
  setGeometry(QRect(QPoint(placement->left, placement->top), QPoint(placement->right - 1, placement->bottom - 1)));
  if (placement->showCommand == kShowMaximized || (placement->flags & kRestoreToMaximized))
    showMaximized();
  else if (placement->showCommand == kShowMinimized)
    showMinimized();
  else
    show();
}

void CMainFrame::SaveWindowPlacement() {
  if (isMinimized()) return;
  WindowPlacement placement;
  placement.flags = isMaximized() ? kRestoreToMaximized : 0;
  placement.showCommand = isMaximized() ? kShowMaximized : kShowNormal;
  QRect rect = isMaximized() ? normalGeometry() : geometry();
  if (!rect.isValid()) rect = geometry();
  placement.left = rect.left();
  placement.top = rect.top();
  placement.right = rect.left() + rect.width();
  placement.bottom = rect.top() + rect.height();
  WriteProfileText("Setting", "WindowPos", FormatWindowPlacement(placement));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (isMinimized()) showNormal();
  m_bClosing = true;
  DisconnectAll();
  m_bClosing = false;
  SaveWindowPlacement();
  if (m_nQueryWindows == 0) {
    event->accept();
  } else {
    event->ignore();  // a window still cancelling closes the main window later
  }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  bool any = false;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    any = true;
    OpenFileInQueryWindow(url.toLocalFile().toStdString());
  }
  if (any) event->acceptProposedAction();
}

}  // namespace orva
