// The query window: run and cancel commands, status texts, the running-time
// pane, closing while a run is under way, and the database box.

#include <atomic>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <chrono>
#include <thread>

#include "db/dbconnection.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/tick.h"
#include "query/childframe.h"
#include "query/resultview.h"
#include "query/sqlsource.h"
#include "test_env.h"

namespace orva::test {
namespace {

// A plain text box standing in for the SQL editor: the frame only asks it for
// its selection and its text.
class PlainSqlEditor : public QPlainTextEdit, public ISqlSource {
 public:
  bool HasSelection() const override { return textCursor().hasSelection(); }
  std::string GetSelectedText() const override {
    return GbkFromQString(textCursor().selectedText().replace(QChar(0x2029), QStringLiteral("\r\n")));
  }
  std::string GetAllText() const override {
    return GbkFromQString(toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
  }
  void Select(int from, int to) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
  }
};

class FrameTest : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    std::string reason = GetParam().unavailableReason ? GetParam().unavailableReason() : std::string();
    if (!reason.empty()) GTEST_SKIP() << reason;
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(GetParam().connectString()));
    m_frame = std::make_unique<CChildFrame>();
    m_editor = new PlainSqlEditor;
    m_frame->SetEditor(m_editor, m_editor);
    m_frame->SetConnection(m_conn.get());
    m_frame->resize(700, 500);
    m_frame->show();
  }
  void TearDown() override {
    m_frame.reset();
    SetTickSourceForTesting(nullptr);
  }

  bool RunEnabled() {
    CmdUI ui(ID_QUERY_RUN);
    m_frame->OnUpdateCommand(ID_QUERY_RUN, ui);
    return ui.IsEnabled();
  }
  bool CancelEnabled() {
    CmdUI ui(ID_QUERY_CANCEL);
    m_frame->OnUpdateCommand(ID_QUERY_CANCEL, ui);
    return ui.IsEnabled();
  }
  bool WaitIdle(int ms = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (m_frame->IsRunning() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !m_frame->IsRunning();
  }
  void RunText(const QString& text) {
    m_editor->setPlainText(text);
    ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
    ASSERT_TRUE(WaitIdle());
  }

  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<CChildFrame> m_frame;
  PlainSqlEditor* m_editor = nullptr;
};

TEST_P(FrameTest, RunCommandFollowsTheEditorText) {
  EXPECT_FALSE(m_frame->IsResultPaneShown());  // a new window shows only the editor
  m_editor->setPlainText(" \t\n  \n");
  EXPECT_FALSE(RunEnabled());
  m_editor->setPlainText("   \nselect 1 as a\n");
  EXPECT_TRUE(RunEnabled());
  EXPECT_EQ(m_frame->GetSqlText(), "select 1 as a");
  // A selection of blanks disables the command although the rest holds SQL.
  m_editor->Select(0, 3);
  EXPECT_FALSE(RunEnabled());
  // With a selection, only the selection runs.
  m_editor->setPlainText("select 1 as a; select 2 as b");
  m_editor->Select(15, 28);
  EXPECT_EQ(m_frame->GetSqlText(), "select 2 as b");
  ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
  EXPECT_FALSE(RunEnabled());  // one run at a time
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(m_frame->IsResultPaneShown());
  ASSERT_EQ(m_frame->GetResultView()->GetGridCount(), 1);
  EXPECT_EQ(m_frame->GetResultView()->GetGrid(0)->GetItemText(0, 1), "b");
  EXPECT_EQ(m_frame->StatusText(), "SQL执行成功");
  EXPECT_FALSE(m_frame->GetResultView()->IsMessagePageShown());  // grids: results page
}

TEST_P(FrameTest, OutcomeTextsAndPages) {
  RunText("select * from no_such_table_abc");
  EXPECT_EQ(m_frame->StatusText(), "SQL执行完毕，其中存在错误");
  EXPECT_TRUE(m_frame->GetResultView()->IsMessagePageShown());  // no grid: messages page

  const std::string table = UniqueName("frm");
  RunText(QString::fromStdString("create table " + table + " (id integer)"));
  EXPECT_EQ(m_frame->StatusText(), "SQL执行成功");
  EXPECT_TRUE(m_frame->GetResultView()->IsMessagePageShown());
  m_conn->Execute("drop table " + table);
}

TEST_P(FrameTest, ElapsedPaneShowsHoursMinutesSeconds) {
  // The worker reads the clock too while the statement runs.
  std::atomic<std::uint32_t> now = 1000;
  SetTickSourceForTesting([&] { return now.load(); });
  m_editor->setPlainText("select 1 as a");
  ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
  EXPECT_EQ(m_frame->ElapsedText(), "执行时间: 00:00:00");
  now += 3725 * 1000;
  m_frame->UpdateElapsed();
  EXPECT_EQ(m_frame->ElapsedText(), "执行时间: 01:02:05");
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(m_frame->ElapsedText(), "执行时间: 01:02:05");  // the final time stays
  now += 25u * 3600u * 1000u - 3725u * 1000u;
  m_frame->UpdateElapsed();
  EXPECT_EQ(m_frame->ElapsedText(), "执行时间: 01:00:00");
}

TEST_P(FrameTest, CancelStopsALongStatement) {
  const std::string sleep = GetParam().sleepStatement;
  if (sleep.empty()) GTEST_SKIP() << "no long statement";
  EXPECT_FALSE(CancelEnabled());  // nothing runs
  m_editor->setPlainText(QString::fromStdString(sleep));
  ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(CancelEnabled(), m_conn->CanCancel());
  m_frame->OnCommand(ID_QUERY_CANCEL);
  EXPECT_FALSE(CancelEnabled());  // a cancel is under way
  EXPECT_EQ(m_frame->StatusText(), "正在取消查询...");
  ASSERT_TRUE(WaitIdle(20000));  // well before the statement's 30 s
  EXPECT_EQ(m_frame->StatusText(), "查询被取消");
  EXPECT_TRUE(RunEnabled());
}

TEST_P(FrameTest, ClosingDuringARunCancelsAndWaitsForTheThreads) {
  const std::string sleep = GetParam().sleepStatement;
  if (sleep.empty()) GTEST_SKIP() << "no long statement";
  m_editor->setPlainText(QString::fromStdString(sleep));
  ASSERT_TRUE(m_frame->OnCommand(ID_QUERY_RUN));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  QElapsedTimer timer;
  timer.start();
  EXPECT_TRUE(m_frame->close());
  EXPECT_FALSE(m_frame->IsRunning());
  m_frame.reset();  // destroying it now touches no thread
  EXPECT_LT(timer.elapsed(), 20000);
}

TEST_P(FrameTest, DatabaseBoxWithoutDatabasesSaysNotSupported) {
  QComboBox box;
  box.addItem("old");
  m_frame->SetDatabaseBox(&box);
  m_frame->FillDatabaseBox();
  ASSERT_EQ(box.count(), 1);
  EXPECT_EQ(box.itemText(0), "不支持");
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_FALSE(box.isEnabled());
  EXPECT_TRUE(m_frame->Databases().empty());
}

TEST_P(FrameTest, ResultPaneToggleCommand) {
  CmdUI ui(ID_VIEW_RESULT_PANE);
  m_frame->OnUpdateCommand(ID_VIEW_RESULT_PANE, ui);
  EXPECT_FALSE(ui.IsChecked());
  m_frame->OnCommand(ID_VIEW_RESULT_PANE);
  EXPECT_TRUE(m_frame->IsResultPaneShown());
  m_frame->OnCommand(ID_VIEW_RESULT_PANE);
  EXPECT_FALSE(m_frame->IsResultPaneShown());
}

INSTANTIATE_TEST_SUITE_P(Databases, FrameTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

}  // namespace
}  // namespace orva::test
