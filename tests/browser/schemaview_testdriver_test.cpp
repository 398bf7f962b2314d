// The object browser on the test driver, a server with several databases:
// database nodes, switching databases for folder reads and back, procedure
// groups, functions, DROP with database-qualified names, properties.

#include <QKeyEvent>

#include "browser_fixture.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "driver_fixture.h"
#include "grid/gridctrl.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva::testdriver::test {
namespace {

using namespace orva::browsertest;
using orva::test::MessageBoxRecorder;

class SchemaViewOnServer : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(ConnectionString(Options())));
    for (const char* sql : {"create database zeta", "create database alpha", "create table alpha..orders(id int)",
                            "create table alpha..items(id int not null primary key, name varchar(20))",
                            "create view alpha..big as select id from orders", "create procedure alpha..p_report as select 1",
                            "create function alpha..fn_total(@x int) returns int as begin return @x end",
                            "create table master_only(id int)"})
      m_conn->Execute(sql);
    m_view = std::make_unique<CSchemaView>();
    m_view->SetHost(&m_host);
    m_view->resize(300, 700);
    m_view->show();
    ASSERT_TRUE(m_view->AddConnection(m_conn.get(), "server"));
  }
  void TearDown() override {
    m_view.reset();
    for (QMdiSubWindow* window : m_host.area.subWindowList()) delete window;
    m_conn.reset();
    DriverTest::TearDown();
  }
  // The database the driver itself reports as current.
  std::string ServerDatabase() { return m_conn->GetDatabase()->GetDatabaseName(); }
  QTreeWidgetItem* Database(const char* name) { return Child(m_view->topLevelItem(0), name); }
  QTreeWidgetItem* Folder(const char* database, const char* label) {
    QTreeWidgetItem* folder = Child(Database(database), label);
    Expand(*m_view, folder);
    return folder;
  }

  TestHost m_host;
  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<CSchemaView> m_view;
};

TEST_F(SchemaViewOnServer, DatabasesInOrderEachWithFoldersReadInTheirOwnDatabase) {
  QTreeWidgetItem* root = m_view->topLevelItem(0);
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"alpha", "master", "zeta"}));
  for (int i = 0; i < root->childCount(); ++i)
    EXPECT_EQ(ChildTexts(root->child(i)), (std::vector<std::string>{"数据表", "视图", "存储过程", "函数"}));

  ASSERT_EQ(ServerDatabase(), "master");
  EXPECT_EQ(ChildTexts(Folder("alpha", "数据表")), (std::vector<std::string>{"items", "orders"}));
  EXPECT_EQ(ChildTexts(Folder("alpha", "视图")), std::vector<std::string>{"big"});
  // Reported as "fn_total;0" and "p_report;1": the catalog lists functions with the procedures.
  EXPECT_EQ(ChildTexts(Folder("alpha", "存储过程")), (std::vector<std::string>{"fn_total", "p_report"}));
  EXPECT_EQ(ChildTexts(Folder("alpha", "函数")), std::vector<std::string>{"fn_total"});
  EXPECT_EQ(ChildTexts(Folder("master", "数据表")), std::vector<std::string>{"master_only"});
  EXPECT_EQ(ChildTexts(Folder("zeta", "数据表")), std::vector<std::string>{});
  // Every read went back to the database the connection was in.
  EXPECT_EQ(ServerDatabase(), "master");
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "master");
  // A database node starts no drag; a procedure carries its name without ";1".
  EXPECT_EQ(m_view->DragData(Database("alpha")), nullptr);
  std::unique_ptr<QMimeData> dragged = m_view->DragData(Child(Folder("alpha", "存储过程"), "p_report"));
  ASSERT_NE(dragged, nullptr);
  EXPECT_EQ(dragged->text().toStdString(), "p_report");

  // Collapsing and expanding an empty folder asks the server again.
  m_conn->Execute("create table zeta..late(id int)");
  QTreeWidgetItem* zetaTables = Child(Database("zeta"), "数据表");
  zetaTables->setExpanded(false);
  WaitForFills(*m_view);
  EXPECT_EQ(ChildTexts(zetaTables), std::vector<std::string>{"late"});
  EXPECT_EQ(ServerDatabase(), "master");
}

TEST_F(SchemaViewOnServer, DropNamesTheObjectWithItsDatabaseAndRemovesTheNode) {
  QTreeWidgetItem* tables = Folder("alpha", "数据表");
  QTreeWidgetItem* functions = Folder("alpha", "函数");
  MessageBoxRecorder boxes;
  Select(*m_view, Child(tables, "orders"));
  QTest::keyClick(m_view.get(), Qt::Key_Delete);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.LastText().toStdString().find("DROP TABLE alpha..orders"), std::string::npos);
  EXPECT_EQ(ChildTexts(tables), std::vector<std::string>{"items"});
  EXPECT_THROW(m_conn->Execute("select * from alpha..orders"), CDBException);

  ASSERT_TRUE(ChooseCommand(*m_view, Child(functions, "fn_total"), ID_OBJECT_DROP));
  EXPECT_NE(boxes.LastText().toStdString().find("DROP FUNCTION alpha..fn_total"), std::string::npos);
  EXPECT_EQ(functions->childCount(), 0);
  m_view->FillFolder(functions);
  WaitForFills(*m_view);
  EXPECT_EQ(functions->childCount(), 0);  // gone on the server too
}

TEST_F(SchemaViewOnServer, GeneratedStatementsMoveTheWindowToTheObjectsDatabase) {
  QTreeWidgetItem* procedures = Folder("alpha", "存储过程");
  QTreeWidgetItem* views = Folder("alpha", "视图");
  // An open window on another connection is not used.
  CDBConnection other;
  ASSERT_TRUE(other.Open(ConnectionString(Options())));
  m_host.NewQueryWindow(&other);
  ASSERT_EQ(m_host.opened, 1);

  DoubleClick(*m_view, Child(procedures, "p_report"));  // double-click works on procedures
  ASSERT_EQ(m_host.opened, 2);
  CChildFrame* frame = m_host.QueryWindows()[1];
  EXPECT_EQ(frame->GetConnection(), m_conn.get());
  EXPECT_EQ(EditorText(frame), "\r\np_report");
  EXPECT_EQ(ServerDatabase(), "alpha");

  m_conn->UseDatabase("master");
  ASSERT_TRUE(ChooseCommand(*m_view, Child(views, "big"), ID_OBJECT_SELECT_SHORT));
  EXPECT_EQ(m_host.opened, 2);
  EXPECT_EQ(EditorText(frame), "\r\np_report\r\nSELECT * FROM big");
  EXPECT_EQ(ServerDatabase(), "alpha");
  EXPECT_EQ(m_host.ActiveQueryWindow(), frame);
}

TEST_F(SchemaViewOnServer, PropertiesOfAViewShowStructureAndSource) {
  QTreeWidgetItem* views = Folder("alpha", "视图");
  QTreeWidgetItem* tables = Folder("alpha", "数据表");
  ASSERT_TRUE(ChooseCommand(*m_view, Child(views, "big"), ID_OBJECT_PROPERTIES));
  ASSERT_EQ(m_host.opened, 1);
  CChildFrame* frame = m_host.QueryWindows()[0];
  EXPECT_EQ(EditorText(frame), "CREATE VIEW big as select id from orders");
  EXPECT_TRUE(frame->IsResultPaneShown());
  EXPECT_TRUE(frame->GetSqlView()->isVisibleTo(frame));
  ASSERT_EQ(frame->GetResultView()->GetGridCount(), 1);
  EXPECT_EQ(frame->GetResultView()->GetGrid(0)->GetItemText(1, 1), "id");
  EXPECT_EQ(ServerDatabase(), "master");

  // The key of a table in another database than the current one is found.
  ASSERT_TRUE(ChooseCommand(*m_view, Child(tables, "items"), ID_OBJECT_PROPERTIES));
  CGridCtrl* grid = m_host.QueryWindows()[1]->GetResultView()->GetGrid(0);
  ASSERT_EQ(grid->GetRowCount(), 3);
  EXPECT_EQ(grid->GetItemImage(1, 0), 0);
  EXPECT_EQ(grid->GetItemImage(2, 0), 2);
  EXPECT_EQ(grid->GetItemText(2, 3), "20");
}

TEST_F(SchemaViewOnServer, AFolderReadErrorIsShownAndTheDatabaseRestored) {
  // The function list of a database whose routine table reads a missing table fails.
  m_conn->Execute("drop table zeta..orva_routines");
  m_conn->Execute("create view zeta..orva_routines as select name, type, definition from gone");
  MessageBoxRecorder boxes;
  QTreeWidgetItem* functions = Folder("zeta", "函数");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_FALSE(boxes.LastText().isEmpty());
  EXPECT_EQ(functions->childCount(), 0);
  EXPECT_EQ(ServerDatabase(), "master");
}

TEST_F(SchemaViewOnServer, DisconnectRemovesExactlyThatConnection) {
  CDBConnection other;
  ASSERT_TRUE(other.Open(ConnectionString(Options())));
  ASSERT_TRUE(m_view->AddConnection(&other, "second"));
  ASSERT_EQ(m_view->topLevelItemCount(), 2);
  Select(*m_view, Child(Database("alpha"), "数据表"));
  EXPECT_EQ(m_view->SelectedConnection(), m_conn.get());
  // A folder still being read is stopped with its connection's root.
  Child(m_view->topLevelItem(1)->child(0), "数据表")->setExpanded(true);
  m_view->RemoveConnection(&other);
  ASSERT_EQ(m_view->topLevelItemCount(), 1);
  EXPECT_EQ(Text(m_view->topLevelItem(0)), "server");
  EXPECT_EQ(m_view->topLevelItem(0)->childCount(), 3);
  EXPECT_FALSE(m_view->IsFilling());
  m_view->RemoveConnection(m_conn.get());
  EXPECT_FALSE(m_view->HasConnections());
  EXPECT_EQ(m_view->SelectedConnection(), nullptr);
}

}  // namespace
}  // namespace orva::testdriver::test
