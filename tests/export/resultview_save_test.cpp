// "另存为" from a query window's result pane on real databases: the user
// runs a query, opens the grid's context menu, picks 另存为 and answers the
// dialog; the file carries the driver's column descriptions.

#include <QContextMenuEvent>
#include <QFile>
#include <QJsonArray>
#include <QMenu>
#include <QTimer>

#include "db/dbconnection.h"
#include "dbf_reader.h"
#include "odbc_test_env.h"
#include "pyreader.h"
#include "query_run_fixture.h"
#include "saver_fixture.h"

namespace orva::test {
namespace {

class ResultViewSaveTest : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    std::string reason = GetParam().unavailableReason ? GetParam().unavailableReason() : std::string();
    if (!reason.empty()) GTEST_SKIP() << reason;
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(GetParam().connectString()));
    m_window = std::make_unique<QMainWindow>();
    m_view = new CResultView;
    m_window->setCentralWidget(m_view);
    m_window->resize(800, 500);
    m_window->show();
    m_frame = std::make_unique<RunFrame>(m_conn.get(), m_view);
    m_table = UniqueName("sav");
  }
  void TearDown() override {
    while (RunningLongWorkCount() > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (m_conn && m_conn->IsOpen()) {
      try {
        m_conn->Execute("DROP TABLE " + m_table);
      } catch (...) {
      }
    }
    m_frame.reset();
    m_window.reset();
  }

  // Right-clicks the grid and picks 另存为 in its menu with the keyboard.
  void SaveThroughContextMenu(CGridCtrl* grid) {
    bool picked = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* action : menu->actions()) {
        if (action->text().startsWith(QStringLiteral("另存为"))) {
          menu->setActiveAction(action);
          QTest::keyClick(menu, Qt::Key_Return);
          picked = true;
          return;
        }
      }
      menu->close();
    });
    const QPoint at(40, 30);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &event);
    EXPECT_TRUE(picked);
    while (RunningLongWorkCount() > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<QMainWindow> m_window;
  CResultView* m_view = nullptr;
  std::unique_ptr<RunFrame> m_frame;
  std::string m_table;
  QTemporaryDir m_dir;
};

TEST_P(ResultViewSaveTest, SecondResultGridSavesAsTextAndAsDbaseWithTheDriversColumnTypes) {
  m_conn->Execute("CREATE TABLE " + m_table + " (id INTEGER, name VARCHAR(12), amount DECIMAL(8,2), day DATE)");
  m_conn->Execute("INSERT INTO " + m_table + " VALUES (1, '" + GbkFromUtf8("张三") + "', 12.5, '2004-05-06')");
  m_conn->Execute("INSERT INTO " + m_table + " VALUES (2, 'a,b', -3.25, NULL)");
  ASSERT_TRUE(m_frame->Run("SELECT 1 AS one;\nSELECT id, name, amount, day FROM " + m_table + " ORDER BY id"));
  ASSERT_EQ(m_view->GetGridCount(), 2);
  CGridCtrl* grid = m_view->GetGrid(1);

  const QString text = QDir(m_dir.path()).filePath(QStringLiteral("result.txt"));
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = text, .clickHeader = true, .delimiter = 1});
    SaveThroughContextMenu(grid);
    EXPECT_EQ(user.shown, 1);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  }
  QJsonArray rows = ReadCsvRows(text, QStringLiteral("gbk"), QStringLiteral(",")).toArray();
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].toArray(), (QJsonArray{"id", "name", "amount", "day"}));
  EXPECT_EQ(rows[1].toArray()[1].toString(), QStringLiteral("张三"));
  EXPECT_EQ(rows[2].toArray()[1].toString(), QStringLiteral("a,b"));

  const QString dbf = QDir(m_dir.path()).filePath(QStringLiteral("result.dbf"));
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 1, .name = dbf});
    SaveThroughContextMenu(grid);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  }
  DbfTable table;
  std::string reason;
  ASSERT_TRUE(ParseDbf(ReadFileBytes(dbf.toStdString()), table, reason)) << reason;
  ASSERT_EQ(table.fields.size(), 4u);
  EXPECT_EQ(table.fields[0].name, "ID");
  EXPECT_EQ(table.fields[0].type, 'N');
  EXPECT_EQ(table.fields[1].type, 'C');
  // The SQLite driver describes DECIMAL as text.
  const bool decimalIsNumber = GetParam().family != "SQLite";
  EXPECT_EQ(table.fields[2].type, decimalIsNumber ? 'N' : 'C');
  if (decimalIsNumber) EXPECT_EQ(table.fields[2].decimals, 2);
  EXPECT_EQ(table.fields[3].type, 'D');
  ASSERT_EQ(table.records.size(), 2u);
  EXPECT_EQ(table.Text(0, 1), GbkFromUtf8("张三"));
  EXPECT_EQ(table.Text(0, 2), decimalIsNumber ? "12.50" : "12.5");
  EXPECT_EQ(table.Text(0, 3), "20040506");
  EXPECT_EQ(table.Text(1, 2), "-3.25");
}

INSTANTIATE_TEST_SUITE_P(Databases, ResultViewSaveTest, ::testing::ValuesIn(TestDatabases()),
                         [](const auto& info) { return TestDatabaseName(info.param); });

}  // namespace
}  // namespace orva::test
