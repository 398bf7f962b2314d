#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include "app/app.h"
#include "app/mainframe.h"
#include "db/dbconnection.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "test_env.h"

namespace orva {
namespace {

QStringList MenuTitles(QMenuBar* bar) {
  QStringList titles;
  for (QAction* action : bar->actions()) titles << action->text();
  return titles;
}

TEST(MainFrame, StartsWithMenusAndStatusBarAndClosesCleanly) {
  CQueryToolApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
  EXPECT_EQ(frame->windowTitle(), "ORVA");
  EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(MenuTitles(frame->menuBar()), (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));

  // The file menu of the window without documents, in order.
  QMenu* file = frame->menuBar()->actions().first()->menu();
  QStringList items;
  for (QAction* action : file->actions()) items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items, (QStringList{"连接(&C)...\tCtrl+E", "连接ODBC数据源(&T)...\tCtrl+T", "连接文件数据库(&T)...\tCtrl+F",
                                "-", "断开连接(&D)\tCtrl+F4", "断开所有连接(&A)", "-", "打印设置(&r)...", "-",
                                "退出(&X)"}));
  EXPECT_FALSE(frame->DatabaseBox()->isEnabled());

  // Exit is routed to the main frame and enabled; the status bar toggles.
  frame->Actions().Refresh();
  EXPECT_TRUE(frame->Actions().Find(ID_APP_EXIT)->isEnabled());
  EXPECT_FALSE(frame->Actions().Find(ID_FILE_NEW_QUERY)->isEnabled());  // no connection yet
  frame->Actions().Find(ID_VIEW_STATUS_BAR)->trigger();
  EXPECT_FALSE(frame->statusBar()->isVisible());
  frame->Actions().Refresh();
  EXPECT_FALSE(frame->Actions().Find(ID_VIEW_STATUS_BAR)->isChecked());

  frame->Actions().Find(ID_APP_EXIT)->trigger();
  EXPECT_FALSE(frame->isVisible());
}

TEST(MainFrame, ConnectionsOpenTitledAndCountedQueryWindows) {
  test::RegisterTestDrivers();
  CQueryToolApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();

  CQueryDoc* doc = frame->NewConnection(test::SqliteConnectString(test::NewSqliteFile()), GbkFromUtf8("样例"));
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(frame->QueryWindowCount(), 1);
  CChildFrame* first = frame->Windows().front();
  const QString title = first->windowTitle();
  EXPECT_TRUE(title.startsWith("查询 － 样例.")) << title.toStdString();
  const int firstNumber = title.section("无标题", 1).toInt();
  EXPECT_EQ(frame->ConnectionPaneText(), "连接数: 1");
  // The menu of a window with documents.
  EXPECT_TRUE(MenuTitles(frame->menuBar()).contains("查询(&Q)"));
  // SQLite has no databases: the box says so and is disabled.
  first->FillDatabaseBox();
  EXPECT_EQ(frame->DatabaseBox()->itemText(0), "不支持");

  // A second window on the same connection gets the next number.
  CChildFrame* second = frame->NewQueryWindow(frame->GetActiveConnection());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(frame->QueryWindowCount(), 2);
  EXPECT_EQ(second->windowTitle().section("无标题", 1).toInt(), firstNumber + 1);
  EXPECT_EQ(second->GetConnection(), first->GetConnection());

  // Closing a window by hand keeps the connection; numbers are not reused.
  second->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frame->QueryWindowCount(), 1);
  EXPECT_EQ(frame->ConnectionCount(), 1);
  CChildFrame* third = frame->NewQueryWindow(frame->GetActiveConnection());
  EXPECT_EQ(third->windowTitle().section("无标题", 1).toInt(), firstNumber + 2);

  // Disconnecting closes the connection's windows and the connection.
  EXPECT_TRUE(frame->DisconnectAll());
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->QueryWindowCount(), 0);
  EXPECT_EQ(frame->ConnectionCount(), 0);
  EXPECT_EQ(MenuTitles(frame->menuBar()), (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));
}

TEST(MainFrame, FailedConnectionOpensNoWindow) {
  test::RegisterTestDrivers();
  test::MessageBoxRecorder boxes;
  CQueryToolApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();
  EXPECT_EQ(frame->NewConnection("DRIVER={No Such Driver};", std::nullopt), nullptr);
  EXPECT_EQ(frame->QueryWindowCount(), 0);
  EXPECT_EQ(frame->ConnectionCount(), 0);
  EXPECT_GE(boxes.Count(), 1u);  // the connection reported its own error
}

}  // namespace
}  // namespace orva
