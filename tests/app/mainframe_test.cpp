#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include "app/app.h"
#include "app/mainframe.h"
#include "platform/resource_ids.h"

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
  EXPECT_EQ(MenuTitles(frame->menuBar()),
            (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));

  // The file menu of the window without documents, in order.
  QMenu* file = frame->menuBar()->actions().first()->menu();
  QStringList items;
  for (QAction* action : file->actions()) items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items, (QStringList{"连接(&C)...\tCtrl+E", "连接ODBC数据源(&T)...\tCtrl+T", "连接文件数据库(&T)...\tCtrl+F",
                                "-", "断开连接(&D)\tCtrl+F4", "断开所有连接(&A)", "-", "打印设置(&r)...", "-",
                                "退出(&X)"}));

  // Exit is routed to the main frame and enabled; the status bar toggles.
  frame->Actions().Refresh();
  EXPECT_TRUE(frame->Actions().Find(ID_APP_EXIT)->isEnabled());
  frame->Actions().Find(ID_VIEW_STATUS_BAR)->trigger();
  EXPECT_FALSE(frame->statusBar()->isVisible());
  frame->Actions().Refresh();
  EXPECT_FALSE(frame->Actions().Find(ID_VIEW_STATUS_BAR)->isChecked());

  frame->Actions().Find(ID_APP_EXIT)->trigger();
  EXPECT_FALSE(frame->isVisible());
}

}  // namespace
}  // namespace orva
