// Commands follow the active query window wherever the keyboard focus sits:
// a result grid or the message log of a window running on PostgreSQL. Also
// closing the main window while a statement runs.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidgetItem>

#include "app/dsnprompt.h"
#include "app_test_util.h"
#include "browser/schemaview.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/resource_ids.h"
#include "query/queryview.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva {
namespace {

using test::AppSession;
using test::WaitFor;

class RoutingOnPostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RegisterTestDrivers();
    if (!test::PostgresConfigured()) GTEST_SKIP() << "no PostgreSQL server (source tests/support/pgserver.sh)";
  }
};

TEST_F(RoutingOnPostgres, RunSaveAndCancelFollowTheActiveWindowFromGridAndLog) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  ASSERT_NE(s.frame->NewConnection(test::PostgresConnectString(), std::nullopt), nullptr);
  CChildFrame* window = s.frame->ActiveQueryWindow();
  ASSERT_NE(window, nullptr);
  CResultView* results = window->GetResultView();
  QWidget* editor = window->GetSqlView();
  editor->setFocus();
  QTest::keyClicks(editor, "select 1 as a");
  s.Key(Qt::Key_F5);
  ASSERT_TRUE(WaitFor([&] { return !window->IsRunning(); }));
  ASSERT_EQ(results->GetGridCount(), 1);
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, "select pg_sleep(120)");

  // Runs with F5 where the focus is; the tool-bar button cancels it.
  auto runAndCancel = [&](const char* where) {
    SCOPED_TRACE(where);
    ASSERT_TRUE(s.Enabled(ID_QUERY_RUN));
    s.Key(Qt::Key_F5);
    ASSERT_TRUE(window->IsRunning());
    EXPECT_FALSE(s.Enabled(ID_QUERY_RUN));  // one run at a time
    ASSERT_TRUE(s.Enabled(ID_QUERY_CANCEL));
    s.ClickButton(ID_QUERY_CANCEL);
    ASSERT_TRUE(WaitFor([&] { return !window->IsRunning(); }));
    EXPECT_EQ(window->StatusText(), "查询被取消");
  };

  // The focus in the result grid: saving and the result pane stay the
  // window's commands.
  CGridCtrl* grid = results->GetGrid(0);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(QApplication::focusWidget(), grid);
  EXPECT_TRUE(s.Enabled(ID_FILE_SAVE));
  EXPECT_TRUE(s.Enabled(ID_VIEW_RESULT_PANE));
  runAndCancel("grid");

  // The focus in the message log (the cancelled run left no grid).
  ASSERT_TRUE(results->IsMessagePageShown());
  QTest::mouseClick(results->MessageEdit()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_EQ(QApplication::focusWidget(), results->MessageEdit());
  EXPECT_TRUE(s.Enabled(ID_FILE_SAVE));
  runAndCancel("log");

  // F6 moves the focus between the editor and the result pane.
  editor->setFocus();
  s.Key(Qt::Key_F6);
  EXPECT_TRUE(results->isAncestorOf(QApplication::focusWidget()));
  s.Key(Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), editor);
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
}

TEST_F(RoutingOnPostgres, ClosingTheMainWindowDuringAStatementCancelsIt) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  ASSERT_NE(s.frame->NewConnection(test::PostgresConnectString(), std::nullopt), nullptr);
  CChildFrame* window = s.frame->ActiveQueryWindow();
  window->GetSqlView()->setFocus();
  QTest::keyClicks(window->GetSqlView(), "select pg_sleep(600)");
  s.Key(Qt::Key_F5);
  ASSERT_TRUE(window->IsRunning());
  // The statement is interrupted; the window and then the main window close
  // (the script is not kept).
  boxes.QueueAnswer(IDNO);
  s.frame->close();
  ASSERT_TRUE(WaitFor([&] { return !s.frame->isVisible(); }));
  EXPECT_EQ(s.frame->QueryWindowCount(), 0);
  EXPECT_EQ(s.frame->ConnectionCount(), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(boxes.LastText().startsWith("是否保存")) << boxes.LastText().toStdString();
}

TEST_F(RoutingOnPostgres, AConnectionStringNamesTheServerAndNeverShowsThePassword) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  {
    test::DialogAnswer pick([](QDialog& dialog) {
      auto* picker = dynamic_cast<CDataSourceDialog*>(&dialog);
      if (!picker) return static_cast<int>(QDialog::Rejected);
      picker->ConnectEdit()->setText(QString::fromStdString(test::PostgresConnectString()));
      QTest::keyClicks(picker->PasswordEdit(), "Geheim42");
      return static_cast<int>(QDialog::Accepted);
    });
    s.ClickButton(ID_FILE_CONNECT_ODBC);
  }
  ASSERT_EQ(s.frame->QueryWindowCount(), 1);
  CChildFrame* window = s.frame->ActiveQueryWindow();
  const QString title = window->windowTitle();
  const QString server = QString::fromLocal8Bit(qgetenv("ORVA_PG_SOCKET_DIR"));
  EXPECT_TRUE(title.startsWith("查询 － " + server + ".")) << title.toStdString();
  EXPECT_FALSE(title.contains("Geheim42"));
  EXPECT_FALSE(window->parentWidget()->windowTitle().contains("Geheim42"));
  EXPECT_FALSE(s.frame->GetBrowser()->topLevelItem(0)->text(0).contains("Geheim42"));
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
}

}  // namespace
}  // namespace orva
