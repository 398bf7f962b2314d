// The object browser inside the main window: its commands reached from the
// main menu while the tree has the focus, generated text in the active query
// window, and disconnecting.

#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app_test_util.h"
#include "table/singleviewframe.h"
#include "browser_fixture.h"
#include "odbc_test_env.h"
#include "test_env.h"

namespace orva::browsertest {
namespace {

TEST(BrowserInMainWindow, MenuCommandsActOnTheTreeAndDisconnectRemovesItsRoot) {
  test::MessageBoxRecorder boxes;
  test::AppSession s;
  test::RegisterTestDrivers();
  const std::string file = test::NewSqliteFile();
  {
    CDBConnection setup;
    ASSERT_TRUE(setup.Open(test::SqliteConnectString(file)));
    setup.Execute("CREATE TABLE items (id INTEGER, name VARCHAR(20))");
  }
  ASSERT_NE(s.frame->NewConnection(test::SqliteConnectString(file), GbkFromUtf8("样例")), nullptr);
  CChildFrame* window = s.frame->ActiveQueryWindow();
  CSchemaView& view = *s.frame->GetBrowser();
  ASSERT_EQ(view.topLevelItemCount(), 1);
  QTreeWidgetItem* root = view.topLevelItem(0);
  EXPECT_EQ(Text(root), "样例");
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"数据表", "视图", "存储过程", "函数"}));
  QTreeWidgetItem* tables = Child(root, "数据表");
  Expand(view, tables);
  QTreeWidgetItem* items = Child(tables, "items");
  ASSERT_NE(items, nullptr);

  // With the focus in the editor the object commands are not offered.
  window->GetSqlView()->setFocus();
  EXPECT_FALSE(s.Enabled(ID_OBJECT_SELECT_FULL));
  Select(view, items);
  view.setFocus();
  EXPECT_FALSE(s.Enabled(ID_OBJECT_REFRESH));
  s.Choose(ID_OBJECT_SELECT_FULL);
  EXPECT_EQ(EditorText(window), "\r\nSELECT id, name FROM items");
  EXPECT_EQ(s.frame->ActiveQueryWindow(), window);

  // Open: the table's rows in the table window; nothing goes to the editor.
  view.setFocus();
  s.Choose(ID_OBJECT_OPEN);
  EXPECT_EQ(EditorText(window), "\r\nSELECT id, name FROM items");
  CSingleViewFrame* table = nullptr;
  for (QMdiSubWindow* sub : s.frame->MdiArea()->subWindowList())
    if (auto* frame = dynamic_cast<CSingleViewFrame*>(sub->widget())) table = frame;
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->windowTitle().startsWith("表查看")) << table->windowTitle().toStdString();

  // Disconnecting the selected connection removes its root.
  Select(view, tables);
  view.setFocus();
  window->GetDocument()->SetModifiedFlag(false);
  s.Choose(ID_FILE_DISCONNECT);
  EXPECT_FALSE(view.HasConnections());
  EXPECT_EQ(s.frame->ConnectionCount(), 0);
}

}  // namespace
}  // namespace orva::browsertest
