// The table window on the test driver: a server with several databases that
// binds no parameters, so no write can be made safe. The window shows the
// rows, keeps the new-record row working and generates INSERT statements,
// and refuses every write with a message.

#include <QDir>
#include <QTest>
#include <atomic>

#include "db/dbconnection.h"
#include "db/tablerecordset.h"
#include "driver_fixture.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "query/queryview.h"
#include "table/singleviewframe.h"
#include "table/tableview.h"
#include "table_window_cases.h"
#include "test_env.h"

namespace orva::test {
namespace {

std::vector<TableTarget> Targets() {
  TableTarget target;
  target.name = "TestDriver";
  target.family = "TestDriver";
  target.connectString = [] {
    static std::atomic<int> counter{0};
    const std::string folder = testdriver::test::EnsureDriverRegistered() + "/table" + std::to_string(++counter);
    QDir().mkpath(QString::fromStdString(folder));
    testdriver::TestConnection options;
    options.folder = folder;
    return testdriver::ConnectionString(options);
  };
  return {target};
}

class TableWindowOnTestDriver : public TableWindowTest {};

TEST_P(TableWindowOnTestDriver, ReadOnlySafeWithoutParameters) {
  const std::string t = NewTable("id integer primary key, name varchar(40), qty integer");
  OpenWindow("master.." + t);  // the form the object browser gives on servers with databases
  ASSERT_FALSE(View()->Recordset()->CanWrite());
  EXPECT_EQ(Headings(), std::vector<std::string>{"*"});

  MessageBoxRecorder boxes;
  TypeInCell(1, 2, "apple");
  TypeInCell(1, 3, "5");
  EXPECT_EQ(boxes.Count(), 0u);
  ClickCell(0, 2);  // leaving the row tries to add it
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(boxes.LastText().contains(QString::fromUtf8("不支持参数")));
  EXPECT_EQ(Cell(1, 2), "apple");  // nothing typed is lost
  EXPECT_EQ(View()->UnsavedRowCount(), 1);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM " + t), Rows{{"0"}});
  ClickCell(1, 2);
  QTest::keyClick(Grid(), Qt::Key_Delete);  // clears the "*" row only
  EXPECT_EQ(Cell(1, 2), "");
  EXPECT_EQ(View()->UnsavedRowCount(), 0);
  ClickCell(0, 3);
  EXPECT_EQ(boxes.Count(), 1u);  // an empty "*" row is not added

  Exec("INSERT INTO " + t + " VALUES (1, 'O''Brien', NULL)");
  Exec("INSERT INTO " + t + " VALUES (2, NULL, 7)");
  Exec("INSERT INTO " + t + " VALUES (3, '', -2)");
  const Rows before = Query("SELECT * FROM " + t + " ORDER BY id");
  m_frame->OnCommand(ID_RECORD_REFRESH);
  View()->WaitLoaded();
  ASSERT_EQ(Headings(), (std::vector<std::string>{"1", "2", "3", "*"}));
  TypeInCell(1, 2, "changed");
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(Cell(1, 2), "O'Brien");
  ClickCell(3, 2);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  EXPECT_EQ(boxes.Count(), 3u);
  EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "2", "3", "*"}));
  EXPECT_EQ(Query("SELECT * FROM " + t + " ORDER BY id"), before);

  ChooseFromContextMenu(1, 1, Qt::Key_I);
  const std::string script = Utf8FromGbk(m_frame->GetEditorPane()->GetAllText());
  Exec("DELETE FROM " + t);
  for (size_t from = 0, at; (at = script.find(";\r\n", from)) != std::string::npos; from = at + 3)
    Exec(script.substr(from, at - from));
  EXPECT_EQ(Query("SELECT * FROM " + t + " ORDER BY id"), before) << script;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(TestDriver, TableWindowOnTestDriver, ::testing::ValuesIn(Targets()), TableTargetName);

}  // namespace orva::test
