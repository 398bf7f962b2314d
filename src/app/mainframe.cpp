#include "app/mainframe.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "platform/resource_ids.h"

namespace orva {

CMainFrame::CMainFrame(CommandRouter& router) : m_router(router) {
  setWindowTitle(QStringLiteral("ORVA"));
  m_actions = new CommandActions(m_router, this);
  m_mdiArea = new QMdiArea(this);
  m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdiArea);
  CreateMenus();
  CreateStatusBar();
  CreateShortcuts();

  // Command states follow the application's state while it is idle.
  m_idleTimer = new QTimer(this);
  m_idleTimer->setInterval(250);
  connect(m_idleTimer, &QTimer::timeout, this, [this] { m_actions->Refresh(); });
  m_idleTimer->start();
  resize(1024, 720);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateMenus() {
  // The menu shown while no document window is open.
  QMenuBar* bar = menuBar();
  auto popup = [this, bar](const char* title) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(title));
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_actions->Refresh(menu); });
    return menu;
  };
  QMenu* file = popup("文件(&F)");
  m_actions->AddTo(file, ID_FILE_CONNECT);
  m_actions->AddTo(file, ID_FILE_CONNECT_ODBC);
  m_actions->AddTo(file, ID_FILE_CONNECT_FILE);
  file->addSeparator();
  m_actions->AddTo(file, ID_FILE_DISCONNECT, QString::fromUtf8(kDisconnectMenuTextNoDocument));
  m_actions->AddTo(file, ID_FILE_DISCONNECT_ALL);
  file->addSeparator();
  m_actions->AddTo(file, ID_FILE_PRINT_SETUP);
  file->addSeparator();
  m_actions->AddTo(file, ID_APP_EXIT);

  QMenu* view = popup("查看(&V)");
  m_actions->AddTo(view, ID_VIEW_TOOLBAR);
  m_actions->AddTo(view, ID_VIEW_STATUS_BAR);

  QMenu* tools = popup("工具(&T)");
  m_actions->AddTo(tools, ID_TOOLS_OPTIONS);
  tools->addSeparator();
  m_actions->AddTo(tools, ID_TOOLS_CALENDAR);

  QMenu* help = popup("帮助(&H)");
  m_actions->AddTo(help, ID_APP_ABOUT);
}

void CMainFrame::CreateStatusBar() {
  m_messagePane = new QLabel(this);
  statusBar()->addWidget(m_messagePane, 1);
  m_connectionPane = new QLabel(QStringLiteral("连接数：0  "), this);
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
}

void CMainFrame::SetMessageText(const QString& text) { m_messagePane->setText(text); }

bool CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_APP_EXIT:
      close();
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
    case ID_APP_EXIT:
      ui.Enable(true);
      return true;
    case ID_VIEW_STATUS_BAR:
      ui.Enable(true);
      ui.SetCheck(statusBar()->isVisible());
      return true;
    default:
      return false;  // not built yet: disabled by the router
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) { event->accept(); }

}  // namespace orva
