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

TEST_P(TableWindowOnTestDriver, WritesRowsThroughBoundParameters) {
  const std::string t = NewTable("id integer primary key, name varchar(40), qty integer");
  OpenWindow("master.." + t);  // the form the object browser gives on servers with databases
  ASSERT_TRUE(View()->Recordset()->CanWrite());
  EXPECT_EQ(Headings(), std::vector<std::string>{"*"});

  MessageBoxRecorder boxes;
  TypeInCell(1, 1, "1");
  TypeInCell(1, 2, "O'Brien");
  TypeInCell(1, 3, "5");
  ClickCell(0, 2);  // leaving the row adds it
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
  EXPECT_EQ(Query("SELECT id, name, qty FROM " + t), (Rows{{"1", "O'Brien", "5"}}));
  EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "*"}));

  // An edit of the stored row is written to that row alone.
  Exec("INSERT INTO " + t + " VALUES (2, 'other', 9)");
  TypeInCell(1, 3, "7");
  ClickCell(0, 2);
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
  EXPECT_EQ(Query("SELECT id, qty FROM " + t + " ORDER BY id"), (Rows{{"1", "7"}, {"2", "9"}}));
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(TestDriver, TableWindowOnTestDriver, ::testing::ValuesIn(Targets()), TableTargetName);

}  // namespace orva::test
