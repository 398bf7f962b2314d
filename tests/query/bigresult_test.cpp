// Large results through real query windows: a million rows held exactly, two
// windows reading at the same time, each into its own grid, and a window
// scrolled to the end or cancelled while rows are still arriving.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
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

// A read that stops partway until the test lets it go on: row `stopAt` waits
// for an advisory lock held by another connection, so the window is reading
// (its first rows shown) for as long as the test wants. The connection
// string asks the driver to hand rows over as they come, 1000 at a time; a
// fetch that begins at the held row returns nothing until the lock is let go.
class HeldReadTest : public BigResultTest {
 protected:
  void SetUp() override {
    BigResultTest::SetUp();
    if (IsSkipped()) return;
    if (Sqlite()) GTEST_SKIP() << "the held read needs a server lock";
    ASSERT_TRUE(m_holder.Open(m_connect));
    m_connect += "UseDeclareFetch=1;Fetch=1000;";
    m_holder.Execute("SELECT pg_advisory_lock(4242)");
  }
  void TearDown() override {
    if (m_holder.IsOpen()) m_holder.Execute("SELECT pg_advisory_unlock_all()");
  }
  static std::string HeldRows(long count, long stopAt) {
    return "select g, case when g = " + std::to_string(stopAt) +
           " then pg_advisory_lock(4242)::text end as held from generate_series(1, " + std::to_string(count) + ") g";
  }
  void LetGo() { m_holder.Execute("SELECT pg_advisory_unlock(4242)"); }
  // Processes events until the grid holds at least `rows` rows; false when
  // the run ends first or a minute passes.
  static bool WaitForRows(Window& w, int rows) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000 && w.frame->IsRunning()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      if (w.frame->GetResultView()->GetGridCount() == 1 && w.Grid()->GetRowCount() >= rows) return true;
    }
    return false;
  }
  CDBConnection m_holder;
};

TEST_P(HeldReadTest, ScrollingToTheEndWhileRowsArriveReachesTheLastRowSoFarAndThenTheEnd) {
  Window w(m_connect);
  w.Run(HeldRows(60000, 20001));
  // Every row read before the held one reaches the grid, though the reader
  // now waits inside a fetch.
  ASSERT_TRUE(WaitForRows(w, 20001));
  ASSERT_TRUE(w.frame->IsRunning());
  CGridCtrl* grid = w.Grid();
  const int shown = grid->GetRowCount() - 1;
  EXPECT_EQ(shown, 20000);

  // Ctrl+End goes to the last row there is; the row is in view.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(60, 40));
  QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid->GetFocusCell().row, shown);
  EXPECT_TRUE(grid->IsCellVisible(shown, 1));
  EXPECT_EQ(w.Cell(shown, 1), std::to_string(shown));

  LetGo();
  ASSERT_TRUE(WaitAllIdle({&w}));
  EXPECT_EQ(w.frame->StatusText(), "SQL执行成功");
  ASSERT_EQ(grid->GetRowCount(), 60001);
  EXPECT_EQ(w.Cell(20001, 1), "20001");
  EXPECT_EQ(w.Cell(60000, 1), "60000");
  // Dragging the scroll bar to its end shows the last rows once the bar
  // has taken in the last of them.
  QScrollBar* bar = grid->verticalScrollBar();
  QElapsedTimer timer;
  timer.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCoreApplication::processEvents();
  } while (!grid->IsCellVisible(60000, 1) && timer.elapsed() < 10000);
  EXPECT_TRUE(grid->IsCellVisible(60000, 1));
  EXPECT_FALSE(grid->IsCellVisible(1, 1));
}

TEST_P(HeldReadTest, CancelWhileRowsArriveKeepsTheRowsReadAndTheConnectionUsable) {
  Window w(m_connect);
  w.Run(HeldRows(60000, 20001));
  ASSERT_TRUE(WaitForRows(w, 20001));
  ASSERT_TRUE(w.frame->OnCommand(ID_QUERY_CANCEL));
  // The cancel is raised on a thread of its own: the held slice is let go
  // only once it has been, as a user's cancel comes before the server moves.
  QElapsedTimer raised;
  raised.start();
  while (!w.frame->IsCancelled() && raised.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_TRUE(w.frame->IsCancelled());
  // A slice the driver has asked the server for is waited for; the rows it
  // brings are not read.
  LetGo();
  ASSERT_TRUE(WaitAllIdle({&w}));
  EXPECT_EQ(w.frame->StatusText(), "查询被取消");
  ASSERT_EQ(w.Grid()->GetRowCount(), 20001);
  for (int row : {1, 15000, 20000}) {
    EXPECT_EQ(w.Cell(row, 0), std::to_string(row));
    EXPECT_EQ(w.Cell(row, 1), std::to_string(row));
  }
  EXPECT_NE(Utf8FromGbk(w.frame->GetResultView()->MessageText()).find("所影响的行数为 20000 行"), std::string::npos);
  // The cursor's transaction is over: the next statement runs.
  w.Run("select 7 as seven");
  ASSERT_TRUE(WaitAllIdle({&w}));
  EXPECT_EQ(w.frame->StatusText(), "SQL执行成功");
  ASSERT_EQ(w.Grid()->GetRowCount(), 2);
  EXPECT_EQ(w.Cell(1, 1), "7");
}

INSTANTIATE_TEST_SUITE_P(Databases, HeldReadTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

INSTANTIATE_TEST_SUITE_P(Databases, BigResultTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

}  // namespace
}  // namespace orva::test
