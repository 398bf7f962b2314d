// The tool bar's database box against the test driver, a server with several
// databases: names that need quoting, and a connection that is running.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app_test_util.h"
#include "db/dbconnection.h"
#include "driver_fixture.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "test_env.h"

namespace orva::testdriver::test {
namespace {

using orva::test::AppSession;
using orva::test::WaitFor;

QStringList Entries(const QComboBox& box) {
  QStringList entries;
  for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
  return entries;
}

// Walks the box with the arrow keys, as a user does, to the entry.
void ChooseByKeys(QComboBox* box, const QString& entry) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Home);
  for (int i = 0; i < box->count() && box->currentText() != entry; ++i) QTest::keyClick(box, Qt::Key_Down);
  ASSERT_EQ(box->currentText(), entry);
}

class ShellOnTestDriver : public DriverTest {};

TEST_F(ShellOnTestDriver, DatabaseBoxQuotesNamesAndRestsWhileItsConnectionRuns) {
  orva::test::MessageBoxRecorder boxes;
  const TestConnection options = Options();
  {
    CDBConnection setup;
    ASSERT_TRUE(setup.Open(ConnectionString(options)));
    setup.Execute("create database \"my db\"");
    setup.Execute("create database \"a-b\"");
  }
  AppSession s;
  ASSERT_NE(s.frame->NewConnection(ConnectionString(options), std::nullopt), nullptr);
  CChildFrame* first = s.frame->ActiveQueryWindow();
  CDBConnection* connection = first->GetConnection();
  QComboBox* box = s.frame->DatabaseBox();
  ASSERT_TRUE(box->isEnabled());
  EXPECT_TRUE(Entries(*box).contains("my db"));
  EXPECT_TRUE(Entries(*box).contains("a-b"));

  // Names with a blank or a hyphen are chosen like any other.
  ChooseByKeys(box, "my db");
  EXPECT_EQ(connection->GetCurrentDatabase(), "my db");
  EXPECT_TRUE(first->windowTitle().contains(".my db.")) << first->windowTitle().toStdString();
  ChooseByKeys(box, "a-b");
  EXPECT_EQ(connection->GetCurrentDatabase(), "a-b");
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();

  // F5 with the focus in the box runs the window's script; the box rests
  // while it runs.
  first->GetSqlView()->setFocus();
  QTest::keyClicks(first->GetSqlView(), "select sleep(60)");
  box->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), box);
  QTest::keyClick(box, Qt::Key_F5);
  ASSERT_TRUE(first->IsRunning());
  EXPECT_FALSE(box->isEnabled());

  // A second window on the busy connection takes the running window's list
  // rather than asking the server (which by now has one more database).
  {
    CDBConnection other;
    ASSERT_TRUE(other.Open(ConnectionString(options)));
    other.Execute("create database zebra");
  }
  s.Key(Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(s.frame->QueryWindowCount(), 2);
  CChildFrame* second = s.frame->ActiveQueryWindow();
  EXPECT_EQ(second->Databases(), first->Databases());
  EXPECT_FALSE(Entries(*box).contains("zebra"));
  EXPECT_FALSE(box->isEnabled());

  // Cancelled from the first window; the box comes back, and refreshing
  // finds the new database.
  s.frame->MdiArea()->setActiveSubWindow(static_cast<QMdiSubWindow*>(first->parentWidget()));
  s.ClickButton(ID_QUERY_CANCEL);
  ASSERT_TRUE(WaitFor([&] { return !first->IsRunning(); }));
  EXPECT_TRUE(box->isEnabled());
  box->setFocus();
  QTest::keyClick(box, Qt::Key_End);  // the last entry, "刷新..."
  EXPECT_TRUE(Entries(*box).contains("zebra"));
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
}

}  // namespace
}  // namespace orva::testdriver::test
