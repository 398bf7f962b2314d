// Large results through real query windows: a million rows held exactly, and
// two windows reading at the same time, each into its own grid.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <memory>

#include "db/dbconnection.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/resultview.h"
#include "query/sqlsource.h"
#include "test_env.h"

namespace orva::test {
namespace {

class PlainSqlEditor : public QPlainTextEdit, public ISqlSource {
 public:
  bool HasSelection() const override { return false; }
  std::string GetSelectedText() const override { return {}; }
  std::string GetAllText() const override { return GbkFromQString(toPlainText()); }
};

// A query window on its own connection to the database under test.
struct Window {
  std::unique_ptr<CDBConnection> conn = std::make_unique<CDBConnection>();
  std::unique_ptr<CChildFrame> frame = std::make_unique<CChildFrame>();
  PlainSqlEditor* editor = new PlainSqlEditor;

  explicit Window(const std::string& connect) {
    EXPECT_TRUE(conn->Open(connect));
    frame->SetEditor(editor, editor);
    frame->SetConnection(conn.get());
    frame->resize(700, 500);
    frame->show();
  }
  ~Window() { frame.reset(); }
  void Run(const std::string& utf8Sql) {
    editor->setPlainText(QString::fromStdString(utf8Sql));
    ASSERT_TRUE(frame->OnCommand(ID_QUERY_RUN));
  }
  CGridCtrl* Grid() const { return frame->GetResultView()->GetGrid(0); }
  std::string Cell(int row, int col) const { return Utf8FromGbk(Grid()->GetItemText(row, col)); }
};

bool WaitAllIdle(const std::vector<Window*>& windows) {
  QElapsedTimer timer;
  timer.start();
  auto running = [&] {
    for (Window* w : windows)
      if (w->frame->IsRunning()) return true;
    return false;
  };
  while (running() && timer.elapsed() < 300000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  return !running();
}

class BigResultTest : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    std::string reason = GetParam().unavailableReason ? GetParam().unavailableReason() : std::string();
    if (!reason.empty()) GTEST_SKIP() << reason;
    if (GetParam().name == "PostgreSQLUnicode") GTEST_SKIP() << "the ANSI driver covers the server";
    m_connect = GetParam().connectString();
  }
  bool Sqlite() const { return GetParam().family == "SQLite"; }
  // Rows 1..count with: the number, a text, NULL every 1000th row else twice
  // the number, a Chinese text (a 100,000-character value on row `big`).
  std::string Rows(long count, long big) const {
    const std::string n = std::to_string(count), b = std::to_string(big);
    if (Sqlite())
      return "with recursive s(g) as (select 1 union all select g + 1 from s where g < " + n +
             ") select g, 'text ' || g as t, case when g % 1000 = 0 then null else g * 2 end as d, "
             "case when g = " + b + " then '中' || hex(zeroblob(49999)) || '尾' else '中文' || g end as c from s";
    return "select g, 'text ' || g as t, case when g % 1000 = 0 then null else g * 2 end as d, "
           "case when g = " + b + " then '中' || repeat('0', 99998) || '尾' else '中文' || g end as c "
           "from generate_series(1, " + n + ") g";
  }
  std::string m_connect;
};

TEST_P(BigResultTest, AMillionRowsAreHeldExactly) {
  Window w(m_connect);
  w.Run(Rows(1000000, 500000));
  ASSERT_TRUE(WaitAllIdle({&w}));
  EXPECT_EQ(w.frame->StatusText(), "SQL执行成功");
  ASSERT_EQ(w.frame->GetResultView()->GetGridCount(), 1);
  ASSERT_EQ(w.Grid()->GetRowCount(), 1000001);
  for (long row : {1L, 2L, 999L, 1000L, 499999L, 500001L, 777777L, 999999L, 1000000L}) {
    const std::string r = std::to_string(row);
    SCOPED_TRACE(r);
    const int i = static_cast<int>(row);
    EXPECT_EQ(w.Cell(i, 0), r);
    EXPECT_EQ(w.Cell(i, 1), r);
    EXPECT_EQ(w.Cell(i, 2), "text " + r);
    EXPECT_EQ(w.Cell(i, 3), row % 1000 == 0 ? "" : std::to_string(row * 2));
    EXPECT_EQ(w.Cell(i, 4), "中文" + r);
  }
  const std::string big = w.Cell(500000, 4);
  EXPECT_EQ(big.size(), 3 + 99998 + 3u);
  EXPECT_EQ(big, "中" + std::string(99998, '0') + "尾");
  // The column grew to the widest value; the row height stays one line.
  EXPECT_GT(w.Grid()->GetColumnWidth(4), w.Grid()->GetColumnWidth(2));
  EXPECT_EQ(w.Grid()->GetRowHeight(500000), w.Grid()->GetRowHeight(1));
  EXPECT_NE(Utf8FromGbk(w.frame->GetResultView()->MessageText()).find("所影响的行数为 1000000 行"), std::string::npos);
}

TEST_P(BigResultTest, TwoWindowsReadingAtOnceEachGetTheirOwnRows) {
  Window a(m_connect), b(m_connect);
  a.Run(Rows(200000, 1) + " order by 1");
  b.Run(Rows(150000, 1) + " order by 1 desc");
  ASSERT_TRUE(WaitAllIdle({&a, &b}));
  ASSERT_EQ(a.Grid()->GetRowCount(), 200001);
  ASSERT_EQ(b.Grid()->GetRowCount(), 150001);
  for (int row : {2, 1000, 123456, 150000}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(a.Cell(row, 0), std::to_string(row));
    EXPECT_EQ(a.Cell(row, 1), std::to_string(row));
    EXPECT_EQ(a.Cell(row, 4), "中文" + std::to_string(row));
    EXPECT_EQ(b.Cell(row, 0), std::to_string(row));
    EXPECT_EQ(b.Cell(row, 1), std::to_string(150001 - row));
    EXPECT_EQ(b.Cell(row, 2), "text " + std::to_string(150001 - row));
  }
  EXPECT_EQ(a.frame->StatusText(), "SQL执行成功");
  EXPECT_EQ(b.frame->StatusText(), "SQL执行成功");
}

INSTANTIATE_TEST_SUITE_P(Databases, BigResultTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

}  // namespace
}  // namespace orva::test
