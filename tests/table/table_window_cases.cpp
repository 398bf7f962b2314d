// Cases of the table window on every test database that can write: the
// new-record row, edits by key and without one, concurrent changes, failed
// writes, deleting and INSERT generation executed back against the server.

#include <QApplication>
#include <QTest>
#include <algorithm>

#include "db/dbconnection.h"
#include "db/tablerecordset.h"
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

std::vector<std::string> Column(const Rows& rows, size_t column) {
  std::vector<std::string> values;
  for (const auto& row : rows) values.push_back(row.at(column));
  return values;
}

}  // namespace

// The new-record row: adding, moving inside it, leaving it empty, clearing
// it with Delete, and deleting a record in the middle.
TEST_P(TableWindowTest, NewRecordRowAndDeleting) {
  const std::string t = NewTable("id " + AutoKey() + ", name varchar(40), qty integer");
  OpenWindow(t);
  EXPECT_EQ(Grid()->GetRowCount(), 2);  // heading and "*"
  EXPECT_EQ(Headings(), std::vector<std::string>{"*"});

  TypeInCell(1, 2, "apple");
  TypeInCell(1, 3, "5");  // another cell of the same row: nothing is added yet
  EXPECT_EQ(Query("SELECT COUNT(*) FROM " + t), Rows{{"0"}});
  ClickCell(0, 2);  // leaving the row (a click on the heading) adds it
  EXPECT_EQ(Query("SELECT name, qty FROM " + t), (Rows{{"apple", "5"}}));
  EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "*"}));
  EXPECT_FALSE(Cell(1, 1).empty());  // the key the server chose is shown
  EXPECT_EQ(Query("SELECT id FROM " + t)[0][0], Cell(1, 1));

  ClickCell(2, 2);  // an empty "*" row left again adds nothing
  ClickCell(1, 2);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM " + t), Rows{{"1"}});

  TypeInCell(2, 2, "pear");
  QTest::keyClick(Grid(), Qt::Key_Delete);  // Delete on "*" only clears it
  EXPECT_EQ(Cell(2, 2), "");
  ClickCell(1, 3);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM " + t), Rows{{"1"}});
  EXPECT_EQ(View()->UnsavedRowCount(), 0);

  for (const char* name : {"b", "c", "d", "e"}) Exec("INSERT INTO " + t + " (name, qty) VALUES ('" + name + "', 1)");
  m_frame->OnCommand(ID_RECORD_REFRESH);
  View()->WaitLoaded();
  ASSERT_EQ(Headings(), (std::vector<std::string>{"1", "2", "3", "4", "5", "*"}));
  const std::string third = Cell(3, 2);
  ClickCell(3, 2);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "2", "3", "4", "*"}));
  auto names = Column(Query("SELECT name FROM " + t), 0);
  EXPECT_EQ(names.size(), 4u);
  EXPECT_EQ(std::count(names.begin(), names.end(), third), 0);
}

// Edits by primary key: Chinese text, emptying a number to NULL, and a
// value with an apostrophe; each cell shows what the server stored.
TEST_P(TableWindowTest, EditsOnATableWithAKey) {
  const std::string t = NewTable("id integer primary key, name varchar(40), note varchar(40), qty integer");
  Exec("INSERT INTO " + t + " VALUES (1, 'a', NULL, 1)");
  Exec("INSERT INTO " + t + " VALUES (2, 'b', 'x', 2)");
  OpenWindow(IsPostgres() ? "public." + t : t);  // a schema-qualified name finds the same key
  ASSERT_NE(m_frame->GetTablePane()->Recordset(), nullptr);
  EXPECT_EQ(View()->Recordset()->KeyFields(), std::vector<int>{0});

  MessageBoxRecorder boxes;
  TypeInCell(1, 2, QString::fromUtf8("张三丰"));
  ClearCell(2, 4);
  TypeInCell(2, 3, "O'Brien");
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
  EXPECT_EQ(Query("SELECT id, name, note, qty FROM " + t + " ORDER BY id"),
            (Rows{{"1", "张三丰", "<NULL>", "1"}, {"2", "b", "O'Brien", "<NULL>"}}));
  EXPECT_EQ(Cell(1, 2), "张三丰");
  EXPECT_EQ(Cell(2, 4), "");
  EXPECT_EQ(View()->UnsavedRowCount(), 0);
}

// Without a key two identical rows cannot be told apart: editing or
// deleting one is refused and both stay as they were; a unique row with a
// NULL is still found and changed. The same holds when the writes are
// counted first instead of checked in a transaction.
TEST_P(TableWindowTest, KeylessTableWritesOnlyAUniqueRow) {
  for (bool transactions : {true, false}) {
    SCOPED_TRACE(transactions ? "in a transaction" : "counted first");
    const std::string t = NewTable("name varchar(40), qty integer");
    Exec("INSERT INTO " + t + " VALUES ('dup', 1)");
    Exec("INSERT INTO " + t + " VALUES ('dup', 1)");
    Exec("INSERT INTO " + t + " VALUES ('solo', NULL)");
    OpenWindow(t);
    EXPECT_TRUE(View()->Recordset()->KeyFields().empty());
    View()->Recordset()->UseTransactions(transactions);

    MessageBoxRecorder boxes;
    TypeInCell(1, 2, "9");
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(boxes.LastText().contains(QString::fromUtf8("完全相同")));
    EXPECT_EQ(Cell(1, 2), "1");  // the refused edit is undone in the grid
    ClickCell(2, 1);
    QTest::keyClick(Grid(), Qt::Key_Delete);
    EXPECT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "2", "3", "*"}));
    EXPECT_EQ(Query("SELECT name, qty FROM " + t + " WHERE name = 'dup'"), (Rows{{"dup", "1"}, {"dup", "1"}}));

    TypeInCell(3, 1, "single");
    EXPECT_EQ(boxes.Count(), 2u) << boxes.LastText().toStdString();
    EXPECT_EQ(View()->Recordset()->UsedTransaction(), transactions);
    EXPECT_EQ(Query("SELECT name, qty FROM " + t + " WHERE name <> 'dup'"), (Rows{{"single", "<NULL>"}}));
    m_frame.reset();
  }
}

// A row changed by someone else after it was read is not overwritten: the
// user is told and sees the row as it now is.
TEST_P(TableWindowTest, ConcurrentChangeIsDetected) {
  const std::string t = NewTable("id integer primary key, name varchar(40), qty integer");
  Exec("INSERT INTO " + t + " VALUES (1, 'mine', 1)");
  Exec("INSERT INTO " + t + " VALUES (2, 'keep', 2)");
  OpenWindow(t);
  CDBConnection other;
  ASSERT_TRUE(other.Open(m_connect));
  Exec("UPDATE " + t + " SET qty = 50 WHERE id = 1", &other);

  MessageBoxRecorder boxes;
  TypeInCell(1, 2, "overwritten");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(boxes.LastText().contains(QString::fromUtf8("其他用户修改")));
  EXPECT_EQ(Query("SELECT name, qty FROM " + t + " WHERE id = 1"), (Rows{{"mine", "50"}}));
  EXPECT_EQ(Cell(1, 2), "mine");
  EXPECT_EQ(Cell(1, 3), "50");

  // Gone on the server: deleting reports nothing odd and the row leaves.
  Exec("DELETE FROM " + t + " WHERE id = 2", &other);
  ClickCell(2, 2);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  EXPECT_EQ(Headings(), (std::vector<std::string>{"1", "*"}));
}

// A write the server refuses: its message is shown, the typed value stays,
// the row counts as unsaved and closing the window asks first.
TEST_P(TableWindowTest, FailedWriteKeepsTheTypedValue) {
  const std::string t = NewTable("id integer primary key, qty integer CHECK (qty >= 0)");
  Exec("INSERT INTO " + t + " VALUES (1, 3)");
  OpenWindow(t);

  MessageBoxRecorder boxes;
  TypeInCell(1, 2, "-5");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_FALSE(boxes.LastText().isEmpty());
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_EQ(Cell(1, 2), "-5");
  EXPECT_EQ(View()->UnsavedRowCount(), 1);
  EXPECT_EQ(Query("SELECT qty FROM " + t), Rows{{"3"}});

  boxes.QueueAnswer(IDNO);
  EXPECT_FALSE(m_frame->close());
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_TRUE(m_frame->isVisible());

  // Fixing the value writes the row and clears the mark.
  TypeInCell(1, 2, "7");
  EXPECT_EQ(Query("SELECT qty FROM " + t), Rows{{"7"}});
  EXPECT_EQ(View()->UnsavedRowCount(), 0);
  EXPECT_TRUE(m_frame->close());
  EXPECT_EQ(boxes.Count(), 2u);
}

// Generated INSERT statements, run back against the emptied table, give
// the same rows: apostrophes, NULLs, empty texts, numbers and dates.
TEST_P(TableWindowTest, InsertStatementsRecreateTheRows) {
  const std::string t = NewTable(
      "id integer primary key, name varchar(40), note varchar(40), qty integer, price decimal(10,2), born date");
  Exec("INSERT INTO " + t + " VALUES (1, 'O''Brien', NULL, NULL, 12.50, '2024-02-29')");
  Exec("INSERT INTO " + t + " VALUES (2, '', '李四', -7, -3.25, NULL)");
  const Rows before = Query("SELECT * FROM " + t + " ORDER BY id");
  OpenWindow(t);

  ChooseFromContextMenu(1, 1, Qt::Key_I);
  const std::string script = Utf8FromGbk(m_frame->GetEditorPane()->GetAllText());
  EXPECT_NE(script.find("'O''Brien'"), std::string::npos) << script;
  std::vector<std::string> statements;
  for (size_t from = 0, at; (at = script.find(";\r\n", from)) != std::string::npos; from = at + 3)
    statements.push_back(script.substr(from, at - from));
  ASSERT_EQ(statements.size(), 2u) << script;  // the empty "*" row gives none

  Exec("DELETE FROM " + t);
  for (const std::string& statement : statements) Exec(statement);
  EXPECT_EQ(Query("SELECT * FROM " + t + " ORDER BY id"), before) << script;
}

// Mixed-case and reserved column names are written as the server knows
// them.
TEST_P(TableWindowTest, MixedCaseAndReservedColumnNames) {
  const std::string t = NewTable("\"Id\" integer primary key, \"Name\" varchar(40), \"order\" integer");
  Exec("INSERT INTO " + t + " VALUES (1, 'x', 1)");
  OpenWindow(t);
  MessageBoxRecorder boxes;
  TypeInCell(1, 2, "Renamed");
  TypeInCell(1, 3, "2");
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
  EXPECT_EQ(Query("SELECT \"Name\", \"order\" FROM " + t), (Rows{{"Renamed", "2"}}));
  EXPECT_EQ(View()->Recordset()->GetFieldName(1), "NAME");
  EXPECT_EQ(View()->Recordset()->FindField("order"), 2);

  ChooseFromContextMenu(1, 1, Qt::Key_I);
  const std::string script = Utf8FromGbk(m_frame->GetEditorPane()->GetAllText());
  Exec("DELETE FROM " + t);
  Exec(script.substr(0, script.find(";\r\n")));
  EXPECT_EQ(Query("SELECT * FROM " + t), (Rows{{"1", "Renamed", "2"}}));
}

// Esc stops the reading: the rows read so far are numbered, the new-record
// row follows them, and a refresh reads everything again.
TEST_P(TableWindowTest, CancelledReadingLeavesAConsistentGrid) {
  if (GetParam().family != "SQLite") GTEST_SKIP() << "one database is enough";
  const std::string t = NewTable("id integer primary key, name varchar(20)");
  Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000) "
       "INSERT INTO " + t + " SELECT i, 'row' || i FROM n");
  m_frame = std::make_unique<CSingleViewFrame>();
  m_frame->SetTarget(m_conn.get(), t, 4);
  m_frame->show();
  m_frame->OnInitialUpdate();
  ASSERT_TRUE(View()->IsLoading());
  QTest::keyClick(Grid(), Qt::Key_Escape);
  View()->WaitLoaded();
  EXPECT_TRUE(m_frame->StatusText().startsWith(QString::fromUtf8("读取已取消"))) << m_frame->StatusText().toStdString();
  const long read = View()->Recordset()->GetRecordCount();
  EXPECT_LT(read, 50000);
  EXPECT_EQ(Grid()->GetRowCount(), read + 2);
  EXPECT_EQ(Grid()->GetItemText(Grid()->GetRowCount() - 1, 0), "*");
  if (read > 0) {
    EXPECT_EQ(Grid()->GetItemText(static_cast<int>(read), 0), std::to_string(read));
  }

  m_frame->OnCommand(ID_RECORD_REFRESH);
  View()->WaitLoaded();
  EXPECT_EQ(View()->Recordset()->GetRecordCount(), 50000);
  EXPECT_EQ(Grid()->GetRowCount(), 50002);
  EXPECT_EQ(m_frame->StatusText(), QString::fromUtf8("共 50000 行"));
}

}  // namespace orva::test
