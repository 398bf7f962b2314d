// The table window test fixture: a connection, tables, the window shown and
// driven with the mouse and keys.

#include "table_window_cases.h"

#include <sql.h>
#include <sqlext.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

#include "db/database.h"
#include "db/dbconnection.h"
#include "db/odbcenv.h"
#include "db/tablerecordset.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/queryview.h"
#include "table/singleviewframe.h"
#include "table/tableview.h"
#include "test_env.h"

namespace orva::test {

void TableWindowTest::SetUp() {
  const std::string reason = GetParam().unavailableReason ? GetParam().unavailableReason() : std::string();
  if (!reason.empty()) GTEST_SKIP() << reason;
  m_connect = GetParam().connectString();
  m_conn = std::make_unique<CDBConnection>();
  ASSERT_TRUE(m_conn->Open(m_connect));
}

void TableWindowTest::TearDown() {
  if (m_frame) {
    m_frame->GetTablePane()->CancelLoading();
    m_frame->GetTablePane()->WaitLoaded();
  }
  m_frame.reset();
  if (m_conn && IsPostgres())
    for (const std::string& table : m_tables) m_conn->GetDatabase()->ExecuteSQL("DROP TABLE IF EXISTS " + table);
  m_conn.reset();
}

std::string TableWindowTest::NewTable(const std::string& columns) {
  // Test cases run as parallel processes that share the PostgreSQL database.
  static int counter = 0;
  const std::string name = "tw_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  Exec("CREATE TABLE " + name + " (" + columns + ")");
  m_tables.push_back(name);
  return name;
}

void TableWindowTest::Exec(const std::string& utf8Sql, CDBConnection* connection) {
  (connection ? connection : m_conn.get())->GetDatabase()->ExecuteSQL(GbkFromUtf8(utf8Sql));
}

Rows TableWindowTest::Query(const std::string& utf8Sql, CDBConnection* connection) {
  CDatabase& db = *(connection ? connection : m_conn.get())->GetDatabase();
  StatementHandle stmt(db.Handle(), db.Charset());
  std::string text = db.Charset().ToDriver(GbkFromUtf8(utf8Sql));
  EXPECT_TRUE(SQL_SUCCEEDED(SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS))) << utf8Sql;
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt.get(), &columns);
  Rows rows;
  while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
    std::vector<std::string> row;
    for (SQLUSMALLINT i = 1; i <= columns; ++i) {
      char buffer[4096];
      SQLLEN indicator = 0;
      SQLGetData(stmt.get(), i, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
      row.push_back(indicator == SQL_NULL_DATA ? "<NULL>"
                                               : Utf8FromGbk(db.Charset().ToGbk(std::string_view(buffer, indicator))));
    }
    rows.push_back(row);
  }
  return rows;
}

void TableWindowTest::OpenWindow(const std::string& table) {
  m_frame = std::make_unique<CSingleViewFrame>();
  m_frame->SetTarget(m_conn.get(), table, 4);
  m_frame->resize(800, 600);
  m_frame->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
  m_frame->OnInitialUpdate();
  View()->WaitLoaded();
  for (int r = 0; r < Grid()->GetRowCount(); ++r) Grid()->SetRowHeight(r, 22);
  QCoreApplication::processEvents();
}

CGridCtrl* TableWindowTest::Grid() const { return m_frame->GetTablePane()->Grid(); }
CTableView* TableWindowTest::View() const { return m_frame->GetTablePane(); }

std::string TableWindowTest::Cell(int row, int col) const { return Utf8FromGbk(Grid()->GetItemText(row, col)); }

std::vector<std::string> TableWindowTest::Headings() const {
  std::vector<std::string> headings;
  for (int r = 1; r < Grid()->GetRowCount(); ++r) headings.push_back(Grid()->GetItemText(r, 0));
  return headings;
}

void TableWindowTest::ClickCell(int row, int col) {
  Grid()->EnsureVisible(row, col);
  QRect rect;
  ASSERT_TRUE(Grid()->GetCellRect(row, col, rect));
  QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, rect.center());
}

namespace {

// Key presses for each character; characters beyond ASCII come as the text
// of a key press, the way an input method delivers them.
void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClicks(widget, QString(c));
    } else {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(widget, &press);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(widget, &release);
    }
  }
}

}  // namespace

void TableWindowTest::TypeInCell(int row, int col, const QString& text, int endKey) {
  ClickCell(row, col);
  ASSERT_EQ(Grid()->GetFocusCell(), (CellId{row, col}));
  if (Grid()->InPlaceEditor()) {
    // A click on the focus cell already opened the editor.
    Grid()->InPlaceEditor()->selectAll();
    TypeText(Grid()->InPlaceEditor(), text.left(1));
  } else {
    TypeText(Grid(), text.left(1));
  }
  ASSERT_NE(Grid()->InPlaceEditor(), nullptr);
  TypeText(Grid()->InPlaceEditor(), text.mid(1));
  QTest::keyClick(Grid()->InPlaceEditor(), static_cast<Qt::Key>(endKey));
  QCoreApplication::processEvents();
}

void TableWindowTest::ClearCell(int row, int col) {
  ClickCell(row, col);
  if (!Grid()->InPlaceEditor()) QTest::keyClick(Grid(), Qt::Key_F2);
  ASSERT_NE(Grid()->InPlaceEditor(), nullptr);
  QTest::keyClick(Grid()->InPlaceEditor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Grid()->InPlaceEditor(), Qt::Key_Backspace);
  QTest::keyClick(Grid()->InPlaceEditor(), Qt::Key_Return);
  QCoreApplication::processEvents();
}

void TableWindowTest::ChooseFromContextMenu(int row, int col, int mnemonicKey) {
  QRect rect;
  ASSERT_TRUE(Grid()->GetCellRect(row, col, rect));
  bool picked = false;
  QTimer::singleShot(0, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      picked = true;
      QTest::keyClick(menu, static_cast<Qt::Key>(mnemonicKey));
    }
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(), Grid()->viewport()->mapToGlobal(rect.center()));
  QCoreApplication::sendEvent(Grid()->viewport(), &event);
  ASSERT_TRUE(picked);
}

}  // namespace orva::test
