// The main window's table window: opened for a table or view, titled, at
// most one at a time, and closed with its connection.

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "app/app.h"
#include "app/mainframe.h"
#include "db/dbconnection.h"
#include "db/tablerecordset.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "table/singleviewframe.h"
#include "table/tableview.h"
#include "test_env.h"

namespace orva::test {
namespace {

std::vector<CSingleViewFrame*> TableWindows(CMainFrame* frame) {
  std::vector<CSingleViewFrame*> windows;
  for (QMdiSubWindow* window : frame->MdiArea()->subWindowList())
    if (auto* table = dynamic_cast<CSingleViewFrame*>(window->widget())) windows.push_back(table);
  return windows;
}

TEST(ObjectView, OneTitledTableWindowClosedWithItsConnection) {
  RegisterTestDrivers();
  const std::string file = NewSqliteFile();
  {
    CDBConnection setup;
    ASSERT_TRUE(setup.Open(SqliteConnectString(file)));
    setup.GetDatabase()->ExecuteSQL("CREATE TABLE parts (id integer primary key, name varchar(20))");
    setup.GetDatabase()->ExecuteSQL("INSERT INTO parts VALUES (1, 'bolt')");
    setup.GetDatabase()->ExecuteSQL("CREATE VIEW part_names AS SELECT name FROM parts");
  }
  CQueryToolApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();
  ASSERT_NE(frame->NewConnection(SqliteConnectString(file), GbkFromUtf8("样例")), nullptr);
  CDBConnection* connection = frame->GetActiveConnection();
  ASSERT_NE(connection, nullptr);

  frame->OpenObjectView(connection, "parts", 4);
  ASSERT_EQ(TableWindows(frame).size(), 1u);
  CSingleViewFrame* table = TableWindows(frame).front();
  EXPECT_TRUE(table->windowTitle().startsWith(QString::fromUtf8("表查看 － 样例.")));
  EXPECT_TRUE(table->windowTitle().contains(QString::fromUtf8(".parts － 无标题")));
  table->GetTablePane()->WaitLoaded();
  EXPECT_EQ(table->GetTablePane()->Recordset()->GetRecordCount(), 1);

  frame->OpenObjectView(connection, "part_names", 6);
  ASSERT_EQ(TableWindows(frame).size(), 1u);  // the first one was closed
  table = TableWindows(frame).front();
  EXPECT_TRUE(table->windowTitle().startsWith(QString::fromUtf8("视图查看 － ")));
  table->GetTablePane()->WaitLoaded();

  EXPECT_TRUE(frame->Disconnect(connection));
  EXPECT_TRUE(TableWindows(frame).empty());
  EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
}

}  // namespace
}  // namespace orva::test
