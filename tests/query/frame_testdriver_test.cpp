// The query window on the test driver, which behaves like a server with
// several databases and can be made to report any product name: the
// database box, the Oracle "begin" join, and cancelling where the driver
// cannot interrupt a statement.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <time.h>

#include <chrono>
#include <thread>

#include "db/dbconnection.h"
#include "driver_fixture.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/resultview.h"
#include "query/sqlsource.h"
#include "test_env.h"

namespace orva::testdriver::test {
namespace {

// A plain text box standing in for the SQL editor.
class PlainSqlEditor : public QPlainTextEdit, public ISqlSource {
 public:
  bool HasSelection() const override { return false; }
  std::string GetSelectedText() const override { return {}; }
  std::string GetAllText() const override { return GbkFromQString(toPlainText()); }
};

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size())) ++count;
  return count;
}

class FrameOnTestDriver : public DriverTest {
 protected:
  void Open(const TestConnection& options) {
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(ConnectionString(options)));
    m_frame = std::make_unique<CChildFrame>();
    m_editor = new PlainSqlEditor;
    m_frame->SetEditor(m_editor, m_editor);
    m_frame->SetConnection(m_conn.get());
    m_frame->resize(600, 400);
    m_frame->show();
  }
  void TearDown() override {
    m_frame.reset();
    m_conn.reset();
    DriverTest::TearDown();
  }
  void Start(const std::string& sql) {
    m_editor->setPlainText(QString::fromStdString(sql));
    ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
  }
  bool WaitIdle() {
    QElapsedTimer timer;
    timer.start();
    while (m_frame->IsRunning() && timer.elapsed() < 60000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !m_frame->IsRunning();
  }
  std::string Log() const { return Utf8FromGbk(m_frame->GetResultView()->MessageText()); }
  bool CancelEnabled() {
    CmdUI ui(ID_QUERY_CANCEL);
    m_frame->OnUpdateCommand(ID_QUERY_CANCEL, ui);
    return ui.IsEnabled();
  }

  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<CChildFrame> m_frame;
  PlainSqlEditor* m_editor = nullptr;
};

QStringList Entries(const QComboBox& box) {
  QStringList entries;
  for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
  return entries;
}

TEST_F(FrameOnTestDriver, DatabaseBoxListsTheServersDatabases) {
  TestConnection options = Options();
  {
    CDBConnection setup;
    ASSERT_TRUE(setup.Open(ConnectionString(options)));
    setup.Execute("create database sales");
    setup.Execute("create database Archive");
  }
  options.database = "SALES";  // the server's current database, in other letter case
  Open(options);
  QComboBox box;
  m_frame->SetDatabaseBox(&box);
  m_frame->FillDatabaseBox();
  EXPECT_TRUE(box.isEnabled());
  // Names in the server's order, the current one selected ignoring case, the
  // refresh entry last.
  const QStringList names = Entries(box);
  ASSERT_GE(names.size(), 4);
  EXPECT_EQ(names.back(), "刷新...");
  QStringList serverNames = names.mid(0, names.size() - 1);
  QStringList sorted = serverNames;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(serverNames, sorted);
  EXPECT_TRUE(serverNames.contains("sales"));
  EXPECT_EQ(box.currentText().toLower(), "sales");

  // "刷新..." reloads from the server and ends the list again.
  m_conn->Execute("create database zebra");
  m_frame->OnDatabaseSelected(GbkFromUtf8("刷新..."));
  EXPECT_TRUE(Entries(box).contains("zebra"));
  EXPECT_EQ(Entries(box).back(), "刷新...");

  // Choosing a database switches the connection; a refused name keeps the old one.
  m_frame->OnDatabaseSelected("master");
  EXPECT_EQ(ToLowerGbk(m_conn->GetCurrentDatabase()), "master");
  orva::test::MessageBoxRecorder boxes;
  m_frame->OnDatabaseSelected("no_such_database");
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(ToLowerGbk(m_conn->GetCurrentDatabase()), "master");
}

TEST_F(FrameOnTestDriver, DatabaseBoxIsNotSupportedOnSingleDatabaseProducts) {
  for (const char* product : {"ORVA Other", "Text", "Oracle", "Visual FoxPro", "Access", "IBM DB2"}) {
    SCOPED_TRACE(product);
    TestConnection options = Options();
    options.dbms = product;
    Open(options);
    QComboBox box;
    m_frame->SetDatabaseBox(&box);
    m_frame->FillDatabaseBox();
    EXPECT_EQ(Entries(box), QStringList{"不支持"});
    EXPECT_FALSE(box.isEnabled());
    m_frame.reset();
  }
}

TEST_F(FrameOnTestDriver, OracleJoinsABeginBlockWithOneStatement) {
  const std::string script = "begin; select 1 as a; end;";
  for (const char* product : {"Oracle", "ORVA Other"}) {
    SCOPED_TRACE(product);
    TestConnection options = Options();
    options.dbms = product;
    options.multipleResults = false;
    Open(options);
    Start(script);
    ASSERT_TRUE(WaitIdle());
    // Oracle: "begin; select 1 as a;" and "end" are two statements; any other
    // product runs the three pieces one by one.
    const int statements = CountOf(Log(), "（执行SQL语句共耗时: ");
    EXPECT_EQ(statements, std::string(product) == "Oracle" ? 2 : 3) << Log();
    EXPECT_EQ(m_frame->StatusText(), "SQL执行成功") << Log();
    m_frame.reset();
  }
}

TEST_F(FrameOnTestDriver, BatchOfThreeResultSetsGivesThreeGrids) {
  Open(Options());
  Start("select 1 as a; select 'x' as b, 2 as c; select 3 as d");
  ASSERT_TRUE(WaitIdle());
  CResultView* results = m_frame->GetResultView();
  ASSERT_EQ(results->GetGridCount(), 3);
  EXPECT_EQ(results->GetGrid(1)->GetItemText(1, 1), "x");
  EXPECT_EQ(CountOf(Log(), "（执行SQL语句共耗时: "), 1);
  EXPECT_EQ(CountOf(Log(), "(读取记录集耗时:"), 3);
}

TEST_F(FrameOnTestDriver, CancelIsOffForADriverWithoutCancel) {
  TestConnection options = Options();
  options.hide = "SQLCancel";
  Open(options);
  Start("select sleep(2)");
  EXPECT_TRUE(m_frame->IsRunning());
  EXPECT_FALSE(CancelEnabled());
  ASSERT_TRUE(WaitIdle());
}

TEST_F(FrameOnTestDriver, CancelOnSybaseAnywhereStopsReadingAtTheNextRow) {
  TestConnection options = Options();
  options.dbms = "Sybase SQL Anywhere";
  options.multipleResults = false;
  Open(options);
  // Many rows, slowly: the cancel arrives while they are being read.
  Start("with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000000) select i from n");
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 30000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    CResultView* results = m_frame->GetResultView();
    if (results->GetGridCount() == 1 && results->GetGrid(0)->GetRowCount() > 500) break;
  }
  m_frame->CancelQuery();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(m_frame->StatusText(), "查询被取消");
  const int rows = m_frame->GetResultView()->GetGrid(0)->GetRowCount() - 1;
  EXPECT_GT(rows, 500);
  EXPECT_LT(rows, 2000000);
  // No statement was interrupted: no error was reported.
  EXPECT_EQ(Log().find("Operation canceled"), std::string::npos) << Log();
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

TEST_F(FrameOnTestDriver, ClosingDuringAStatementThatCannotBeCancelledWaitsAsleep) {
  TestConnection options = Options();
  options.hide = "SQLCancel";
  Open(options);
  Start("select sleep(2)");
  // Let the worker get into the statement: a close before that would stop
  // the run before it reaches the driver, with nothing to wait for.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  QElapsedTimer wall;
  wall.start();
  const double cpu = ThreadCpuSeconds();
  EXPECT_TRUE(m_frame->close());
  EXPECT_FALSE(m_frame->IsRunning());
  // The window waited for the statement's end; its thread slept meanwhile
  // instead of polling (polling keeps a processor busy the whole time).
  const double waited = wall.elapsed() / 1000.0;
  EXPECT_GT(waited, 1.0);
  EXPECT_LT(ThreadCpuSeconds() - cpu, waited / 4) << "waited " << waited << " s";
}

TEST_F(FrameOnTestDriver, AFailedFetchIsAnErrorInTheLogAndTheOutcome) {
  Open(Options());
  orva::test::MessageBoxRecorder boxes;
  // The third row's value overflows while it is fetched; the driver then
  // ends the set.
  Start("with recursive n(i) as (select 1 union all select i + 1 from n where i < 5) "
        "select case when i < 3 then i else abs(-9223372036854775807 - 1) end as v from n");
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(boxes.Count(), 1u);  // shown at once, and then in the log
  EXPECT_EQ(boxes.Boxes()[0].parent, m_frame.get());
  EXPECT_EQ(m_frame->StatusText(), "SQL执行完毕，其中存在错误");
  ASSERT_EQ(m_frame->GetResultView()->GetGridCount(), 1);
  EXPECT_EQ(m_frame->GetResultView()->GetGrid(0)->GetItemText(2, 1), "2");
  const std::string log = Log();
  EXPECT_NE(log.find("overflow"), std::string::npos) << log << boxes.LastText().toStdString();
}

}  // namespace
}  // namespace orva::testdriver::test
