// Connecting, the facts learned at connect time, and plain statements, on
// every database of the fixture list.

#include <gtest/gtest.h>

#include "db/connectstring.h"
#include "db/odbcenv.h"
#include "db/odbcsources.h"
#include "db_fixture.h"
#include "test_env.h"

namespace orva::test {
namespace {

using ConnectionTest = DatabaseTest;

TEST_P(ConnectionTest, ConnectsWithADriverStringAndLearnsTheFacts) {
  EXPECT_TRUE(m_conn->IsOpen());
  EXPECT_FALSE(m_conn->GetDbmsName().empty());
  EXPECT_EQ(m_conn->GetKind(), DbmsOther);
  EXPECT_FALSE(m_conn->HasDatabases());
  EXPECT_TRUE(m_conn->GetCurrentDatabase().empty());
  EXPECT_TRUE(m_conn->CanCountRows());
  EXPECT_TRUE(m_conn->CanCancel());
  EXPECT_EQ(m_conn->SupportsMultipleResults(), Db().multipleResults);
  // The completed string replaces the requested one.
  EXPECT_NE(m_conn->GetConnectString(), m_connect);
  EXPECT_FALSE(m_conn->GetConnectString().empty());
}

TEST_P(ConnectionTest, CompletedStringGivesDataSourceAndUser) {
  const std::string& completed = m_conn->GetConnectString();
  DataSourceNames expected = ParseCompletedConnectString(completed);
  EXPECT_EQ(m_conn->GetDataSourceName(), expected.dataSource);
  EXPECT_EQ(m_conn->GetUserName(), expected.user);
  if (Db().family == "SQLite") {
    // SQLite completes a driver string with an empty "DSN=".
    EXPECT_EQ(completed.rfind("DSN=;", 0), 0u) << completed;
    EXPECT_EQ(m_conn->GetDataSourceName(), Gbk("文件数据库"));
  } else {
    // psqlodbc gives no DSN for a driver string either.
    EXPECT_EQ(m_conn->GetDataSourceName(), Gbk("文件数据库"));
    EXPECT_EQ(m_conn->GetUserName(), "");
  }
}

TEST_P(ConnectionTest, ConnectsWithADataSourceName) {
  const char* dsn = Db().family == "SQLite" ? kSqliteDsn : kPostgresDsn;
  CDBConnection conn;
  ASSERT_TRUE(conn.Open(std::string("DSN=") + dsn + ";"));
  EXPECT_EQ(conn.GetDataSourceName(), dsn);
  if (Db().family == "PostgreSQL") {
    EXPECT_EQ(conn.GetUserName(), std::getenv("ORVA_PG_USER"));
  }
  EXPECT_EQ(ReadOneOn(conn, "SELECT 7"), "7");
}

TEST_P(ConnectionTest, FailedConnectShowsAndRaisesTheDriverText) {
  std::string bad = Db().family == "SQLite" ? "DRIVER={SQLite3};Database=/nonexistent-dir/x/y.db;NoCreat=1;"
                                          : m_connect + "Database=no_such_database_here;";
  MessageBoxRecorder boxes;
  CDBConnection conn;
  EXPECT_FALSE(conn.Open(bad));
  EXPECT_FALSE(conn.IsOpen());
  EXPECT_EQ(conn.GetDatabase(), nullptr);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_EQ(boxes.Boxes()[0].caption, "ORVA");

  try {
    conn.Connect();
    FAIL() << "Connect did not raise";
  } catch (const CDBException& error) {
    EXPECT_EQ(error.m_nRetCode, SQL_ERROR);
    EXPECT_FALSE(error.m_strError.empty());
    EXPECT_EQ(error.m_strError.back(), '\n');
    EXPECT_NE(QStringFromGbk(error.m_strError).trimmed(), QString());
    EXPECT_EQ(boxes.LastText().trimmed().toStdString(), QStringFromGbk(error.m_strError).trimmed().toStdString());
  }
  EXPECT_EQ(boxes.Count(), 1u);  // Connect raises, it shows nothing
}

TEST_P(ConnectionTest, CloseThenOpenAgain) {
  m_conn->Close();
  EXPECT_FALSE(m_conn->IsOpen());
  EXPECT_EQ(m_conn->GetDatabase(), nullptr);
  CRecordsetEx* set = nullptr;
  EXPECT_EQ(m_conn->OpenResultSet("SELECT 1", set), -1);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(m_conn->Execute("SELECT 1"), 0);

  ASSERT_TRUE(m_conn->Open(m_conn->GetConnectString()));
  EXPECT_EQ(ReadOne("SELECT 2"), "2");
}

TEST_P(ConnectionTest, EmptyStringAsksThePromptAndCancelsWithoutOne) {
  CDBConnection::SetConnectPrompt(nullptr);
  CDBConnection conn;
  EXPECT_FALSE(conn.Open(""));  // no prompt installed: cancelled, no message
  EXPECT_EQ(conn.GetDatabase(), nullptr);

  int asked = 0;
  CDBConnection::SetConnectPrompt([&]() -> std::optional<std::string> {
    ++asked;
    return std::nullopt;
  });
  EXPECT_FALSE(conn.Open(""));
  EXPECT_EQ(asked, 1);

  const std::string completed = m_connect;
  CDBConnection::SetConnectPrompt([&]() -> std::optional<std::string> {
    ++asked;
    return completed;
  });
  EXPECT_TRUE(conn.Open(""));
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(conn.IsOpen());
  EXPECT_FALSE(conn.GetConnectString().empty());
  CDBConnection::SetConnectPrompt(nullptr);
}

TEST_P(ConnectionTest, ExecuteReturnsRowCounts) {
  std::string t = CreateTable("id INTEGER, name VARCHAR(20)");
  EXPECT_EQ(m_conn->Execute("INSERT INTO " + t + " VALUES (1, 'a')"), 1);
  m_conn->Execute("INSERT INTO " + t + " VALUES (2, 'b')");
  m_conn->Execute("INSERT INTO " + t + " VALUES (3, 'c')");
  m_conn->Execute("INSERT INTO " + t + " VALUES (4, 'd')");
  EXPECT_EQ(m_conn->Execute("UPDATE " + t + " SET name = 'x' WHERE id <= 3"), 3);
  EXPECT_EQ(m_conn->Execute("UPDATE " + t + " SET name = 'x' WHERE id > 100"), 0);
  EXPECT_EQ(m_conn->Execute("DELETE FROM " + t), 4);
}

TEST_P(ConnectionTest, ExecuteErrorRaisesAndFreesTheStatement) {
  const long before = LiveStatementHandles();
  EXPECT_THROW(m_conn->Execute("UPDATE no_such_table_xyz SET a = 1"), CDBException);
  EXPECT_EQ(LiveStatementHandles(), before);
}

TEST_P(ConnectionTest, StatementWithoutColumnsOpensWithZeroColumns) {
  std::string t = CreateTable("id INTEGER");
  m_conn->Execute("INSERT INTO " + t + " VALUES (1)");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("UPDATE " + t + " SET id = 2", set), 1);
  EXPECT_EQ(set->GetColumnCount(), 0);
  EXPECT_TRUE(set->IsEOF());
  EXPECT_TRUE(set->IsBOF());
  std::string text = "untouched";
  set->GetFieldText(0, text);  // nothing to read: no error
  EXPECT_EQ(text, "");
  SQLLEN count = -1;
  SQLRowCount(set->m_hstmt, &count);
  EXPECT_EQ(count, 1);
  CDBConnection::CloseResultSet(set);
  EXPECT_EQ(ReadOne("SELECT id FROM " + t), "2");
}

TEST_P(ConnectionTest, OpenResultSetErrorHandsNothingOut) {
  const long before = LiveStatementHandles();
  CRecordsetEx* set = reinterpret_cast<CRecordsetEx*>(0x1);
  EXPECT_THROW(m_conn->OpenResultSet("SELECT * FROM no_such_table_xyz", set), CDBException);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(CDBConnection::CurrentResultSet(), nullptr);
  EXPECT_EQ(LiveStatementHandles(), before);
}

TEST_P(ConnectionTest, UseDatabaseIsRefusedForProductsWithoutDatabases) {
  MessageBoxRecorder boxes;
  EXPECT_FALSE(m_conn->UseDatabase("master"));
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "");
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_P(ConnectionTest, UseDatabaseFailureShowsTheError) {
  // Pretend the product understands "use": the driver's error is shown and
  // the current database is kept.
  m_conn->m_bHasDatabases = true;
  m_conn->m_strCurrentDatabase = "old";
  MessageBoxRecorder boxes;
  EXPECT_FALSE(m_conn->UseDatabase("no_such_db"));
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "old");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_FALSE(boxes.LastText().isEmpty());
}

TEST_P(ConnectionTest, ProcedureTextFailureShowsTheErrorAndGivesEmptyText) {
  MessageBoxRecorder boxes;
  EXPECT_EQ(m_conn->GetProcedureText("no_such_proc"), "");
  EXPECT_EQ(boxes.Count(), 1u);
}

ORVA_INSTANTIATE_FOR_DATABASES(ConnectionTest);

TEST(OdbcSourcesTest, ListsTheRegisteredDriversAndDataSources) {
  RegisterTestDrivers();
  if (!FindDriverLibrary("libsqlite3odbc.so")) GTEST_SKIP() << "SQLite3 ODBC driver not installed";
  std::vector<std::string> drivers = InstalledDrivers();
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
  std::vector<DataSourceEntry> sources = DataSources();
  auto it = std::find_if(sources.begin(), sources.end(), [](const auto& s) { return s.name == kSqliteDsn; });
  ASSERT_NE(it, sources.end());
  EXPECT_EQ(it->description, "SQLite3");
}

}  // namespace
}  // namespace orva::test
