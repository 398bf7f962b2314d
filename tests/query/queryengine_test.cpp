// The execution engine against real databases: SQLite runs statement by
// statement, PostgreSQL takes the whole script as one batch.

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <thread>

#include "db/dbconnection.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "query_run_fixture.h"
#include "test_env.h"

namespace orva::test {
namespace {

class EngineTest : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    const TestDatabase& db = GetParam();
    std::string reason = db.unavailableReason ? db.unavailableReason() : std::string();
    if (!reason.empty()) GTEST_SKIP() << reason;
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(db.connectString()));
    m_view = std::make_unique<CResultView>();
    m_view->resize(600, 425);
    m_view->show();
    m_frame = std::make_unique<RunFrame>(m_conn.get(), m_view.get());
    m_table = UniqueName("eng");
  }
  void TearDown() override {
    if (m_conn && m_conn->IsOpen()) {
      try {
        m_conn->Execute("DROP TABLE " + m_table);
      } catch (...) {
      }
    }
    m_frame.reset();
    m_view.reset();
  }
  bool Batch() const { return GetParam().multipleResults; }
  // Creates the table with three rows of (id, name).
  void CreateThreeRows() {
    m_conn->Execute("CREATE TABLE " + m_table + " (id INTEGER, name VARCHAR(20))");
    m_conn->Execute("INSERT INTO " + m_table + " VALUES (1, 'a')");
    m_conn->Execute("INSERT INTO " + m_table + " VALUES (2, 'b')");
    m_conn->Execute("INSERT INTO " + m_table + " VALUES (3, NULL)");
  }

  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<CResultView> m_view;
  std::unique_ptr<RunFrame> m_frame;
  std::string m_table;
};

TEST_P(EngineTest, RowCountsGridsAndMessages) {
  CreateThreeRows();
  ASSERT_TRUE(m_frame->Run("update " + m_table + " set name = 'z';\r\nselect id, name from " + m_table +
                           " order by id;\r\nselect id from " + m_table + " where id < 0"));
  EXPECT_EQ(m_frame->DoneNotices().size(), 1u);
  EXPECT_FALSE(m_frame->ErrorReported());
  EXPECT_EQ(m_frame->DoneNotices().back().second, -1);
  const std::string log = m_frame->Log();
  EXPECT_NE(log.find("    所影响的行数为 3 行\r\n"), std::string::npos) << log;
  EXPECT_EQ(CountOf(log, "（执行SQL语句共耗时: "), Batch() ? 1 : 3) << log;
  EXPECT_EQ(CountOf(log, "所影响的行数为 3 行 (读取记录集耗时:"), 1) << log;
  EXPECT_EQ(CountOf(log, "所影响的行数为 0 行 (读取记录集耗时:"), 1) << log;
  EXPECT_EQ(log.rfind("\r\n", 0), 0u);  // every entry starts with an empty line

  ASSERT_EQ(m_view->GetGridCount(), 2);
  CGridCtrl* grid = m_view->GetGrid(0);
  EXPECT_EQ(grid->GetRowCount(), 4);
  EXPECT_EQ(grid->GetColumnCount(), 3);
  EXPECT_EQ(grid->GetFixedRowCount(), 1);
  EXPECT_EQ(grid->GetFixedColumnCount(), 1);
  EXPECT_EQ(grid->GetItemText(0, 1), "id");
  EXPECT_EQ(grid->GetItemText(1, 0), "1");
  EXPECT_EQ(grid->GetItemText(3, 0), "3");
  EXPECT_EQ(grid->GetItemText(2, 1), "2");
  EXPECT_EQ(grid->GetItemText(3, 2), "z");
  // Numbers are right-aligned below the heading; text and headings are not.
  EXPECT_TRUE(grid->GetItemFormat(2, 1) & DT_RIGHT);
  EXPECT_FALSE(grid->GetItemFormat(2, 2) & DT_RIGHT);
  EXPECT_FALSE(grid->GetItemFormat(0, 1) & DT_RIGHT);
  EXPECT_FALSE(grid->GetItemFormat(2, 0) & DT_RIGHT);
  // The empty result still has its headings.
  CGridCtrl* empty = m_view->GetGrid(1);
  EXPECT_EQ(empty->GetRowCount(), 1);
  EXPECT_EQ(empty->GetItemText(0, 1), "id");
  EXPECT_EQ(m_view->m_resultColumns.count(0), 2u);
  EXPECT_EQ(m_view->m_resultColumns.count(1), 1u);
}

TEST_P(EngineTest, StatementWithoutRowCountSaysSuccess) {
  ASSERT_TRUE(m_frame->Run("create table " + m_table + " (id integer)"));
  const std::string log = m_frame->Log();
  // Drivers report -1 or 0 rows for DDL: either text is a success line.
  EXPECT_TRUE(log.find("    已成功执行该语句\r\n") != std::string::npos ||
              log.find("    所影响的行数为 0 行\r\n") != std::string::npos)
      << log;
  EXPECT_EQ(m_view->GetGridCount(), 0);
  EXPECT_FALSE(m_frame->ErrorReported());
}

TEST_P(EngineTest, ErrorsAreReportedAndFlaggedInTheNotice) {
  if (Batch()) {
    // One batch: the error ends the run, reported once, the log page shown.
    ASSERT_TRUE(m_frame->Run("select 1 as a; select * from no_such_table_xyz; select 2 as b"));
    EXPECT_TRUE(m_frame->ErrorReported());
    EXPECT_TRUE(m_view->IsMessagePageShown());
    EXPECT_NE(m_frame->Log().find("no_such_table_xyz"), std::string::npos);
    return;
  }
  // Statement by statement: an error does not stop the statements after it.
  ASSERT_TRUE(m_frame->Run("select * from no_such_table_xyz; select 7 as x"));
  EXPECT_TRUE(m_frame->ErrorReported());
  const std::string log = m_frame->Log();
  EXPECT_NE(log.find("no_such_table_xyz"), std::string::npos) << log;
  ASSERT_EQ(m_view->GetGridCount(), 1);
  EXPECT_EQ(m_view->GetGrid(0)->GetItemText(1, 1), "7");
  // The error line ends with the extra CR LF of statement mode: an empty line follows.
  EXPECT_NE(log.find("\r\n\r\n\r\n"), std::string::npos) << log;
}

TEST_P(EngineTest, CommentOnlyScriptEndsAtOnce) {
  ASSERT_TRUE(m_frame->Run("-- nothing to do\r\n// really nothing\r\n"));
  EXPECT_EQ(m_frame->DoneNotices().size(), 1u);
  if (!Batch()) {
    EXPECT_FALSE(m_frame->ErrorReported());
    EXPECT_TRUE(m_frame->Log().empty()) << m_frame->Log();
  }
  EXPECT_EQ(m_view->GetGridCount(), 0);
}

TEST_P(EngineTest, TabOnlyStatementReachesTheDriver) {
  if (Batch()) GTEST_SKIP() << "batches are sent unchanged";
  ASSERT_TRUE(m_frame->Run("select 1;\t\t;select 2"));
  // The empty statement is the driver's to judge; both selects ran.
  EXPECT_EQ(m_view->GetGridCount(), 2);
}

TEST_P(EngineTest, BatchModeGivesOneGridPerResultSet) {
  if (!Batch()) GTEST_SKIP() << "runs statements one by one";
  CreateThreeRows();
  ASSERT_TRUE(m_frame->Run("select 1 as a; select 'x' as b; update " + m_table + " set id = id + 1; select id from " +
                           m_table + " order by id"));
  EXPECT_FALSE(m_frame->ErrorReported()) << m_frame->Log();
  ASSERT_EQ(m_view->GetGridCount(), 3);
  EXPECT_EQ(m_view->GetGrid(0)->GetItemText(1, 1), "1");
  EXPECT_EQ(m_view->GetGrid(1)->GetItemText(1, 1), "x");
  EXPECT_EQ(m_view->GetGrid(2)->GetItemText(3, 1), "4");
  const std::string log = m_frame->Log();
  EXPECT_EQ(CountOf(log, "（执行SQL语句共耗时: "), 1) << log;
  EXPECT_EQ(CountOf(log, "(读取记录集耗时:"), 3) << log;
  EXPECT_EQ(CountOf(log, "    所影响的行数为 3 行\r\n"), 1) << log;
  // The execution-time line comes first.
  EXPECT_LT(log.find("（执行SQL语句共耗时: "), log.find("(读取记录集耗时:"));
}

// A run frame whose user cancels as soon as the grid shows `rows` rows: the
// cancel lands in the middle of the read whatever the speed of the machine.
class CancelAtRowsFrame : public RunFrame {
 public:
  CancelAtRowsFrame(CDBConnection* connection, CResultView* view, int rows) : RunFrame(connection, view), m_rows(rows) {}
  bool IsCancelled() const override {
    if (!RunFrame::IsCancelled()) {
      CGridCtrl* grid = const_cast<CancelAtRowsFrame*>(this)->Output().LastGrid();
      if (grid && grid->GetRowCount() - 1 >= m_rows) const_cast<CancelAtRowsFrame*>(this)->Cancel();
    }
    return RunFrame::IsCancelled();
  }

 private:
  int m_rows;
};

TEST_P(EngineTest, CancelDuringLongReadKeepsRowsReadSoFar) {
  if (GetParam().family != "PostgreSQL") GTEST_SKIP() << "needs a server-side long result";
  m_frame.reset();
  CancelAtRowsFrame frame(m_conn.get(), m_view.get(), 1000);
  frame.Start("select g, 'row ' || g as t from generate_series(1, 3000000) g");
  ASSERT_TRUE(frame.WaitDone());
  ASSERT_EQ(m_view->GetGridCount(), 1);
  CGridCtrl* grid = m_view->GetGrid(0);
  const int rows = grid->GetRowCount() - 1;
  EXPECT_GE(rows, 1000);
  EXPECT_LT(rows, 3000000);
  // Every row kept is whole and in order.
  EXPECT_EQ(grid->GetItemText(rows, 0), std::to_string(rows));
  EXPECT_EQ(grid->GetItemText(rows, 1), std::to_string(rows));
  EXPECT_EQ(grid->GetItemText(rows, 2), "row " + std::to_string(rows));
  EXPECT_NE(frame.Log().find("所影响的行数为 " + std::to_string(rows) + " 行 (读取记录集耗时:"), std::string::npos)
      << frame.Log();
  EXPECT_FALSE(frame.ErrorReported()) << frame.Log();
}

TEST_P(EngineTest, AnyExceptionStillEndsTheRunWithItsNotice) {
  m_frame->Output().ThrowOnGrid(true);
  ASSERT_TRUE(m_frame->Run("select 1 as a;\r\nselect 2 as b"));
  ASSERT_EQ(m_frame->DoneNotices().size(), 1u);
  EXPECT_TRUE(m_frame->ErrorReported());
  EXPECT_EQ(m_view->GetGridCount(), 0);
  EXPECT_EQ(CountOf(m_frame->Log(), "执行该SQL时发生未知错误"), Batch() ? 1 : 2) << m_frame->Log();
}

TEST_P(EngineTest, CancelInterruptsALongStatement) {
  const std::string sleep = GetParam().sleepStatement;
  if (sleep.empty()) GTEST_SKIP() << "no long statement";
  m_frame->Start(sleep);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m_frame->Cancel();
  ASSERT_TRUE(m_frame->WaitDone());
  // The driver's answer to the cancelled call is reported like any error.
  EXPECT_TRUE(m_frame->ErrorReported()) << m_frame->Log();
  EXPECT_EQ(m_view->GetGridCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Databases, EngineTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

}  // namespace
}  // namespace orva::test
