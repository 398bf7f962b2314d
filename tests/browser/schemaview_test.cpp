// The object browser on SQLite and PostgreSQL: connections without databases,
// the user's mouse and key actions, generated statements run back against the
// server, exact catalog names and schemas.

#include <QKeyEvent>
#include <QMenu>
#include <algorithm>
#include <thread>

#include "browser/scriptgen.h"
#include "browser_fixture.h"
#include "db/catalog.h"
#include "db_fixture.h"
#include "grid/gridcell.h"
#include "grid/gridctrl.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva::browsertest {
namespace {

using orva::test::DatabaseTest;
using orva::test::MessageBoxRecorder;
using orva::test::UniqueName;

class SchemaViewTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    m_view = std::make_unique<CSchemaView>();
    m_view->SetHost(&m_host);
    m_view->resize(300, 600);
    m_view->show();
    ASSERT_TRUE(m_view->AddConnection(m_conn.get(), "conn"));
  }
  void TearDown() override {
    m_view.reset();
    DatabaseTest::TearDown();
  }
  QTreeWidgetItem* Root() { return m_view->topLevelItem(0); }
  QTreeWidgetItem* Folder(const char* label) { return Child(Root(), label); }
  // The tables folder, expanded and read.
  QTreeWidgetItem* Tables() {
    QTreeWidgetItem* folder = Folder("数据表");
    if (folder->isExpanded()) {
      m_view->FillFolder(folder);
      WaitForFills(*m_view);
    } else {
      Expand(*m_view, folder);
    }
    return folder;
  }
  std::vector<CatalogColumn> Columns(const std::string& table, const std::string& owner = "") {
    auto columns = ReadColumns(*m_conn, ObjectRef{"", owner, table});
    EXPECT_TRUE(columns.has_value());
    return columns.value_or(std::vector<CatalogColumn>{});
  }

  TestHost m_host;
  std::unique_ptr<CSchemaView> m_view;
};

TEST_P(SchemaViewTest, ConnectionWithoutDatabasesShowsFourFoldersAndNoFunctions) {
  QTreeWidgetItem* root = Root();
  EXPECT_EQ(Text(root), "conn");
  EXPECT_TRUE(root->font(0).bold());
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"数据表", "视图", "存储过程", "函数"}));

  MessageBoxRecorder boxes;
  Expand(*m_view, Folder("函数"));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text.toStdString(), "该数据库不支持函数！");
  EXPECT_EQ(boxes.Boxes()[0].caption.toStdString(), "函数");
  EXPECT_EQ(Folder("函数")->childCount(), 0);

  // The tree reflects the server: a new table appears after a refresh of its folder.
  const std::string t = CreateTable("id INTEGER");
  QTreeWidgetItem* tables = Folder("数据表");
  Select(*m_view, tables);
  ASSERT_TRUE(ChooseCommand(*m_view, tables, ID_OBJECT_REFRESH));
  EXPECT_NE(Child(tables, t), nullptr);
}

TEST_P(SchemaViewTest, RightClickSelectsTheNodeAndOffersItsCommands) {
  const std::string t = CreateTable("id INTEGER");
  // Empty space below the last node: no menu.
  bool menuShown = true;
  RightClick(*m_view, QPoint(10, m_view->viewport()->height() - 3), [&](QMenu* menu) { menuShown = menu != nullptr; });
  EXPECT_FALSE(menuShown);

  QTreeWidgetItem* table = Child(Tables(), t);
  ASSERT_NE(table, nullptr);

  Select(*m_view, Folder("视图"));
  std::map<int, bool> enabled;
  RightClick(*m_view, m_view->visualItemRect(table).center(), [&](QMenu* menu) {
    ASSERT_NE(menu, nullptr);
    for (int id : {ID_OBJECT_OPEN, ID_OBJECT_SELECT_FULL, ID_OBJECT_CREATE_TABLE, ID_OBJECT_REFRESH, ID_OBJECT_DROP})
      if (QAction* action = FindAction(menu, id)) enabled[id] = action->isEnabled();
  });
  EXPECT_EQ(m_view->currentItem(), table);  // selected before the menu opened
  EXPECT_EQ(enabled, (std::map<int, bool>{{ID_OBJECT_OPEN, true},
                                          {ID_OBJECT_SELECT_FULL, true},
                                          {ID_OBJECT_CREATE_TABLE, true},
                                          {ID_OBJECT_REFRESH, false},
                                          {ID_OBJECT_DROP, true}}));
}

TEST_P(SchemaViewTest, GeneratedTextGoesToAWindowOnTheConnection) {
  const std::string t = CreateTable("id INTEGER, \"Mixed Name\" INTEGER");
  QTreeWidgetItem* table = Child(Tables(), t);
  ASSERT_NE(table, nullptr);
  // No window yet: one is opened for the connection.
  DoubleClick(*m_view, table);
  ASSERT_EQ(m_host.opened, 1);
  CChildFrame* frame = m_host.QueryWindows().front();
  EXPECT_EQ(frame->GetConnection(), m_conn.get());
  EXPECT_EQ(EditorText(frame), "\r\nSELECT * FROM " + t);
  // The next statement goes to the same window, at the caret.
  ASSERT_TRUE(ChooseCommand(*m_view, table, ID_OBJECT_SELECT_FULL));
  EXPECT_EQ(m_host.opened, 1);
  EXPECT_EQ(EditorText(frame), "\r\nSELECT * FROM " + t + "\r\nSELECT id, \"Mixed Name\" FROM " + t);
  // Open without a table window falls back to the full SELECT.
  ASSERT_TRUE(ChooseCommand(*m_view, table, ID_OBJECT_OPEN));
  EXPECT_EQ(m_host.objectViews, std::vector<std::string>{t});
  EXPECT_EQ(EditorText(frame), "\r\nSELECT * FROM " + t + "\r\nSELECT id, \"Mixed Name\" FROM " + t +
                                   "\r\nSELECT id, \"Mixed Name\" FROM " + t);
}

TEST_P(SchemaViewTest, DraggingAnObjectIntoTheEditorInsertsItsNameAndFoldersStartNoDrag) {
  // A name that must be quoted: the drag carries it as statements write it.
  const std::string table = UniqueName("Drag Me");
  m_conn->Execute("CREATE TABLE \"" + table + "\" (id INTEGER)");
  m_tables.push_back("\"" + table + "\"");
  QTreeWidgetItem* node = Child(Tables(), table);
  ASSERT_NE(node, nullptr);
  CChildFrame* frame = m_host.NewQueryWindow(m_conn.get());
  ASSERT_NE(frame, nullptr);
  CQueryView* editor = frame->GetQueryView();
  QWidget* target = editor->viewport();
  const QPoint inside(target->width() / 2, 5);

  ASSERT_TRUE(DragNode(*m_view, node, target, inside));
  EXPECT_EQ(EditorText(frame), "\"" + table + "\"");
  // Dropped again after what is there: the editor inserts at the drop point.
  ASSERT_TRUE(DragNode(*m_view, node, target, QPoint(target->width() - 2, 5)));
  EXPECT_EQ(EditorText(frame), "\"" + table + "\"\"" + table + "\"");

  // Folders and the connection node start nothing, and give no drag data.
  const std::string before = EditorText(frame);
  for (QTreeWidgetItem* item : {Folder("数据表"), Folder("视图"), Root()}) {
    EXPECT_EQ(m_view->DragData(item), nullptr) << Text(item);
    EXPECT_FALSE(DragNode(*m_view, item, target, inside)) << Text(item);
  }
  EXPECT_EQ(EditorText(frame), before);
}

TEST_P(SchemaViewTest, ColumnsOfANameWithUnderscoresAreThatTablesOnly) {
  // The name has "_" in it; the other name matches it as a pattern.
  const std::string t = UniqueName("oi");
  std::string lookalike = t;
  std::replace(lookalike.begin(), lookalike.end(), '_', 'x');
  m_conn->Execute("CREATE TABLE " + t + " (a INTEGER, b INTEGER)");
  m_tables.push_back(t);
  m_conn->Execute("CREATE TABLE " + lookalike + " (x INTEGER, y INTEGER, z INTEGER)");
  m_tables.push_back(lookalike);
  QTreeWidgetItem* table = Child(Tables(), t);
  ASSERT_NE(table, nullptr);
  Select(*m_view, table);
  ASSERT_TRUE(ChooseCommand(*m_view, table, ID_OBJECT_SELECT_FULL));
  ASSERT_EQ(m_host.opened, 1);
  EXPECT_EQ(EditorText(m_host.QueryWindows().front()), "\r\nSELECT a, b FROM " + t);
}

TEST_P(SchemaViewTest, CreateTableScriptRunsBackIntoAnIdenticalTable) {
  const bool pg = Db().family == "PostgreSQL";
  const std::string t =
      CreateTable(std::string("id INTEGER NOT NULL, code VARCHAR(12) NOT NULL, amount DECIMAL(10,2), ") +
                  "label VARCHAR(40), " + (pg ? "" : "wide NVARCHAR(30), ") +
                  "note TEXT, born DATE, seen TIMESTAMP, data " + Db().blobType +
                  ", \"MixedCase\" INTEGER, PRIMARY KEY (id, code)");
  QTreeWidgetItem* table = Child(Tables(), t);
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(ChooseCommand(*m_view, table, ID_OBJECT_CREATE_TABLE));
  ASSERT_EQ(m_host.opened, 1);
  std::string script = GbkFromUtf8(EditorText(m_host.QueryWindows().front()));
  ASSERT_EQ(script.rfind("\r\nCREATE TABLE " + t + " (\r\n", 0), 0u) << script;
  const std::string copy = UniqueName("copy");
  script.replace(2 + 13, t.size(), copy);
  m_conn->Execute(script);
  m_tables.push_back(copy);

  const std::vector<CatalogColumn> original = Columns(t), copied = Columns(copy);
  ASSERT_EQ(copied.size(), original.size()) << script;
  ASSERT_EQ(original.size(), pg ? 9u : 10u);
  for (std::size_t i = 0; i < original.size(); ++i) {
    SCOPED_TRACE(original[i].name);
    EXPECT_EQ(copied[i].name, original[i].name);
    EXPECT_EQ(copied[i].dataType, original[i].dataType);
    EXPECT_EQ(copied[i].typeName, original[i].typeName);
    EXPECT_EQ(copied[i].precision, original[i].precision);
    EXPECT_EQ(copied[i].scale, original[i].scale);
    EXPECT_EQ(copied[i].nullable, original[i].nullable);
  }
}

TEST_P(SchemaViewTest, DeleteKeyDropsOnlyAfterConfirmingAndKeepsTheNodeOnFailure) {
  const std::string t = CreateTable("id INTEGER");
  QTreeWidgetItem* tables = Tables();
  QTreeWidgetItem* table = Child(tables, t);
  ASSERT_NE(table, nullptr);
  Select(*m_view, table);
  auto tableExists = [&] {
    CTableCatalog catalog(m_conn->GetDatabase());
    EXPECT_TRUE(catalog.Open(std::nullopt, std::nullopt, t, "TABLE"));
    return !catalog.IsEOF();
  };

  MessageBoxRecorder boxes;
  boxes.QueueAnswer(IDNO);
  QTest::keyClick(m_view.get(), Qt::Key_Delete);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.LastText().toStdString().find("DROP TABLE " + t), std::string::npos);
  EXPECT_TRUE(tableExists());
  EXPECT_EQ(Child(tables, t), table);

  // Dropped behind the browser's back: the driver's message, and the node stays.
  m_conn->Execute("DROP TABLE " + t);
  boxes.Clear();
  QTest::keyClick(m_view.get(), Qt::Key_Delete);
  ASSERT_EQ(boxes.Count(), 2u);  // the question, then the error
  EXPECT_FALSE(boxes.LastText().isEmpty());
  EXPECT_EQ(boxes.Boxes()[1].icon, MbIcon::Warning);
  EXPECT_EQ(Child(tables, t), table);

  m_conn->Execute("CREATE TABLE " + t + " (id INTEGER)");
  boxes.Clear();
  QTest::keyClick(m_view.get(), Qt::Key_Delete);
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_FALSE(tableExists());
  EXPECT_EQ(Child(tables, t), nullptr);
}

TEST_P(SchemaViewTest, PropertiesShowTheStructureWithKeyColumnsMarked) {
  const std::string t = CreateTable("id INTEGER NOT NULL, name VARCHAR(20), PRIMARY KEY (id)");
  QTreeWidgetItem* table = Child(Tables(), t);
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(ChooseCommand(*m_view, table, ID_OBJECT_PROPERTIES));
  ASSERT_EQ(m_host.opened, 1);
  CChildFrame* frame = m_host.QueryWindows().front();
  EXPECT_TRUE(frame->IsResultPaneShown());
  EXPECT_FALSE(frame->GetSqlView()->isVisibleTo(frame));
  ASSERT_EQ(frame->GetResultView()->GetGridCount(), 1);
  CGridCtrl* grid = frame->GetResultView()->GetGrid(0);
  ASSERT_EQ(grid->GetRowCount(), 3);
  ASSERT_EQ(grid->GetColumnCount(), 9);
  EXPECT_EQ(Utf8FromGbk(grid->GetItemText(0, 1)), "字段名");
  EXPECT_EQ(grid->GetItemText(1, 0), "1");
  EXPECT_EQ(grid->GetItemText(1, 1), "id");
  EXPECT_EQ(grid->GetItemImage(1, 0), 0);  // key
  EXPECT_EQ(grid->GetItemText(2, 1), "name");
  EXPECT_EQ(grid->GetItemImage(2, 0), 2);
  EXPECT_EQ(grid->GetItemText(2, 4), "20");  // "长度" is the driver's byte length
  EXPECT_FALSE(grid->GetItemText(2, 3).empty());
  auto* notNull = dynamic_cast<CGridCellCheck*>(grid->GetCell(1, 7));
  auto* nullable = dynamic_cast<CGridCellCheck*>(grid->GetCell(2, 7));
  ASSERT_TRUE(notNull && nullable);
  EXPECT_FALSE(notNull->GetCheck());
  EXPECT_TRUE(nullable->GetCheck());
  EXPECT_FALSE(grid->IsEditable());
}

TEST_P(SchemaViewTest, ObjectsOfOtherSchemasShowAndRunWithTheirSchema) {
  if (Db().family != "PostgreSQL") GTEST_SKIP() << "schemas are a PostgreSQL matter here";
  const std::string schema = UniqueName("Sch");  // mixed case: must be quoted
  m_conn->Execute("CREATE SCHEMA \"" + schema + "\"");
  m_conn->Execute("CREATE TABLE \"" + schema + "\".\"Items\" (\"Id\" INTEGER)");
  const std::string plain = CreateTable("id INTEGER");
  QTreeWidgetItem* tables = Tables();
  QTreeWidgetItem* other = Child(tables, schema + ".Items");
  ASSERT_NE(other, nullptr);
  EXPECT_NE(Child(tables, plain), nullptr);  // the user's own schema: the name alone
  ASSERT_TRUE(ChooseCommand(*m_view, other, ID_OBJECT_SELECT_FULL));
  const std::string statement = EditorText(m_host.QueryWindows().front()).substr(2);
  EXPECT_EQ(statement, "SELECT \"Id\" FROM \"" + schema + "\".\"Items\"");
  EXPECT_NO_THROW(orva::test::ReadAllOn(*m_conn, statement));
  MessageBoxRecorder boxes;
  Select(*m_view, other);
  QTest::keyClick(m_view.get(), Qt::Key_Delete);
  EXPECT_EQ(Child(tables, schema + ".Items"), nullptr);
  m_conn->Execute("DROP SCHEMA \"" + schema + "\"");  // fails if the table was not dropped
}

TEST_P(SchemaViewTest, PropertiesOfViewsAndFunctionsShowSourceThatRunsBack) {
  if (Db().family != "PostgreSQL") GTEST_SKIP() << "source text of views and functions is a server matter";
  const std::string t = CreateTable("id INTEGER");
  const std::string v = UniqueName("v"), f = UniqueName("f");
  m_conn->Execute("CREATE VIEW " + v + " AS SELECT id FROM " + t + " WHERE id > 1");
  m_conn->Execute("CREATE FUNCTION " + f + "(x integer) RETURNS integer AS 'select x + 1' LANGUAGE sql");
  QTreeWidgetItem* views = Folder("视图");
  Expand(*m_view, views);
  ASSERT_TRUE(ChooseCommand(*m_view, Child(views, v), ID_OBJECT_PROPERTIES));
  CChildFrame* frame = m_host.QueryWindows().back();
  const std::string view = EditorText(frame);
  EXPECT_EQ(view.rfind("CREATE OR REPLACE VIEW " + v + " AS", 0), 0u) << view;
  EXPECT_EQ(frame->GetResultView()->GetGridCount(), 1);  // and its columns
  QTreeWidgetItem* procedures = Folder("存储过程");
  Expand(*m_view, procedures);
  ASSERT_TRUE(ChooseCommand(*m_view, Child(procedures, f), ID_OBJECT_PROPERTIES));
  frame = m_host.QueryWindows().back();
  const std::string function = EditorText(frame);
  EXPECT_NE(function.find("FUNCTION public." + f + "(x integer)"), std::string::npos) << function;
  EXPECT_FALSE(frame->IsResultPaneShown());
  // Both texts run back as they stand.
  EXPECT_NO_THROW(m_conn->Execute(GbkFromUtf8(view)));
  EXPECT_NO_THROW(m_conn->Execute(GbkFromUtf8(function)));
  m_conn->Execute("DROP VIEW " + v);
  m_conn->Execute("DROP FUNCTION " + f + "(integer)");
}

TEST_P(SchemaViewTest, AFillOnALostConnectionShowsTheDriversMessage) {
  if (Db().family != "PostgreSQL") GTEST_SKIP() << "needs a server that can end the session";
  CDBConnection lost;
  ASSERT_TRUE(lost.Open(m_connect));
  const std::string pid = orva::test::ReadOneOn(lost, "SELECT pg_backend_pid()");
  const std::string kept = CreateTable("id INTEGER");
  ASSERT_TRUE(m_view->AddConnection(&lost, "lost"));
  QTreeWidgetItem* views = Child(m_view->topLevelItem(1), "视图");
  QTreeWidgetItem* tables = Child(m_view->topLevelItem(1), "数据表");
  Expand(*m_view, tables);
  ASSERT_NE(Child(tables, kept), nullptr);
  // The server ends the session; the next folder read fails.
  orva::test::ReadAllOn(*m_conn, "SELECT pg_terminate_backend(" + pid + ")");
  MessageBoxRecorder boxes;
  Expand(*m_view, views);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_FALSE(boxes.LastText().isEmpty());
  EXPECT_EQ(views->childCount(), 0);
  EXPECT_NE(Child(tables, kept), nullptr);  // what was read before stays
  EXPECT_FALSE(m_view->IsFilling());
  m_view->RemoveConnection(&lost);
}

ORVA_INSTANTIATE_FOR_DATABASES(SchemaViewTest);

}  // namespace
}  // namespace orva::browsertest
