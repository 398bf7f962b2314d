// ORVA's database access run against the test driver, which behaves like a
// server with several databases: the paths that real local drivers cannot
// reach (databases, "use", procedure text, batches, catalogs per database).

#include <atomic>
#include <chrono>
#include <thread>

#include "db/catalog.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "driver_fixture.h"
#include "platform/codec.h"
#include "test_env.h"

namespace orva::testdriver::test {
namespace {

using Table = std::vector<std::vector<std::string>>;
using orva::test::MessageBoxRecorder;

class OrvaOnTestDriver : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(ConnectionString(Options())));
    m_conn->Execute("create database sales");
  }
  void TearDown() override {
    m_conn.reset();
    DriverTest::TearDown();
  }
  std::unique_ptr<CDBConnection> Open(const TestConnection& options) {
    auto conn = std::make_unique<CDBConnection>();
    EXPECT_TRUE(conn->Open(ConnectionString(options)));
    return conn;
  }
  Table ReadAll(const std::string& sql) {
    Table rows;
    CRecordsetEx* set = nullptr;
    EXPECT_EQ(m_conn->OpenResultSet(sql, set), 1);
    std::string text;
    while (set && !set->IsEOF()) {
      auto& row = rows.emplace_back();
      for (int i = 0; i < set->GetColumnCount(); ++i) {
        set->GetFieldText(i, text);
        row.push_back(text);
      }
      set->MoveNext();
    }
    CDBConnection::CloseResultSet(set);
    return rows;
  }
  std::unique_ptr<CDBConnection> m_conn;
};

TEST_F(OrvaOnTestDriver, ConnectionLearnsTheServersFacts) {
  EXPECT_EQ(m_conn->GetKind(), DbmsMsSqlServer);
  EXPECT_TRUE(m_conn->HasDatabases());
  EXPECT_TRUE(m_conn->SupportsMultipleResults());
  EXPECT_TRUE(m_conn->CanCancel());
  EXPECT_TRUE(m_conn->CanCountRows());
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "master");
  EXPECT_EQ(m_conn->GetDataSourceName(), GbkFromUtf8("文件数据库"));

  TestConnection options = Options();
  options.database = "sales";
  options.multipleResults = false;
  options.hide = "SQLCancel";
  auto other = Open(options);
  EXPECT_EQ(other->GetCurrentDatabase(), "sales");
  EXPECT_FALSE(other->SupportsMultipleResults());
  EXPECT_FALSE(other->CanCancel());

  // A data source gives its name and the user of the completed string.
  CDBConnection dsn;
  ASSERT_TRUE(dsn.Open("DSN=OrvaTestDsn;UID=sa"));
  EXPECT_EQ(dsn.GetDataSourceName(), "OrvaTestDsn");
  EXPECT_EQ(dsn.GetUserName(), "sa");
  EXPECT_EQ(dsn.GetKind(), DbmsSybaseSqlAnywhere);
  EXPECT_FALSE(dsn.SupportsMultipleResults());
}

TEST_F(OrvaOnTestDriver, KindsFollowTheConfiguredProductName) {
  const std::pair<const char*, DbmsKind> cases[] = {
      {"Microsoft SQL Server", DbmsMsSqlServer},     {"sybase sql anywhere", DbmsSybaseSqlAnywhere},
      {"Adaptive Server Anywhere", DbmsAdaptiveServerAnywhere}, {"SQL SERVER", DbmsSqlServer},
      {"Oracle", DbmsOracle},                        {"Microsoft SQL Server 2019", DbmsOther},
  };
  for (const auto& [name, kind] : cases) {
    TestConnection options = Options();
    options.dbms = name;
    auto conn = Open(options);
    EXPECT_EQ(conn->GetKind(), kind) << name;
    const bool hasDatabases = kind >= DbmsMsSqlServer && kind <= DbmsSqlServer;
    EXPECT_EQ(conn->HasDatabases(), hasDatabases) << name;
    EXPECT_EQ(conn->GetCurrentDatabase(), hasDatabases ? "master" : "") << name;
  }
}

TEST_F(OrvaOnTestDriver, UseDatabaseSwitchesOrKeepsTheCurrentDatabase) {
  MessageBoxRecorder boxes;
  ASSERT_TRUE(m_conn->UseDatabase("sales"));
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "sales");
  m_conn->Execute("create table orders(id int)");
  EXPECT_EQ(ReadAll("select name from sysobjects where type = 'U'"), (Table{{"orders"}}));

  EXPECT_FALSE(m_conn->UseDatabase("nosuch"));
  EXPECT_EQ(m_conn->GetCurrentDatabase(), "sales");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_TRUE(boxes.LastText().contains("Database 'nosuch' does not exist")) << boxes.LastText().toStdString();
  // The server kept the database too.
  EXPECT_EQ(ReadAll("select count(*) from orders"), (Table{{"0"}}));
  EXPECT_FALSE(m_conn->UseDatabase(""));
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(OrvaOnTestDriver, DatabaseListAndFunctionQueries) {
  m_conn->Execute("create database archive");
  EXPECT_EQ(ReadAll("SELECT name FROM master..sysdatabases ORDER BY name"),
            (Table{{"archive"}, {"master"}, {"sales"}}));
  m_conn->Execute("create function fn_total(@x int) returns int as begin return @x end");
  m_conn->Execute("create function fn_rows() returns table as return (select 1 as a)");
  m_conn->Execute("create procedure p_report as select 1");
  EXPECT_EQ(ReadAll("select name from sysobjects where type = 'TF' or type = 'IF' or type = 'FN' order by name"),
            (Table{{"fn_rows"}, {"fn_total"}}));
}

TEST_F(OrvaOnTestDriver, ProcedureTextIsGatheredFromSeveralRows) {
  const std::string source = "create procedure p_lines as\r\nselect 1 as one;\r\nselect '中文' as two;";
  m_conn->Execute(GbkFromUtf8(source.c_str()));
  EXPECT_EQ(m_conn->GetProcedureText("p_lines"), GbkFromUtf8(source.c_str()));
  EXPECT_EQ(ReadAll("sp_helptext p_lines").size(), 3u);
  // Views too, and in another database by its qualified name.
  m_conn->Execute("create table sales..t(x int)");
  m_conn->Execute("create view sales..v as select x\nfrom t");
  EXPECT_EQ(m_conn->GetProcedureText("sales..v"), "CREATE VIEW v as select x\nfrom t");
  MessageBoxRecorder boxes;
  EXPECT_EQ(m_conn->GetProcedureText("no_such"), "");
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(OrvaOnTestDriver, BatchWithThreeResultSets) {
  m_conn->Execute("create table t(id int); insert into t values (1); insert into t values (2)");
  EXPECT_EQ(m_conn->Execute("update t set id = id + 1"), 2);
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("select 1 as a; select 'x' as b, 'y' as c; update t set id = id * 10", set), 1);
  std::string text;
  ASSERT_EQ(set->GetColumnCount(), 1);
  set->GetFieldText(0, text);
  EXPECT_EQ(text, "1");
  set->MoveNext();
  EXPECT_TRUE(set->IsEOF());
  ASSERT_TRUE(set->NextResult());
  set->DescribeColumns();
  ASSERT_EQ(set->GetColumnCount(), 2);
  EXPECT_EQ(set->GetColumnInfo(1).m_strName, "c");
  set->MoveNext();
  set->GetFieldText(1, text);
  EXPECT_EQ(text, "y");
  ASSERT_TRUE(set->NextResult());
  set->DescribeColumns();
  EXPECT_EQ(set->GetColumnCount(), 0);
  SQLLEN count = -1;
  SQLRowCount(set->m_hstmt, &count);
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(set->NextResult());
  CDBConnection::CloseResultSet(set);
  EXPECT_EQ(ReadAll("select min(id) from t"), (Table{{"20"}}));

  // An error in a later statement reaches NextResult.
  ASSERT_EQ(m_conn->OpenResultSet("select 1; select * from missing", set), 1);
  EXPECT_THROW(set->NextResult(), CDBException);
  CDBConnection::CloseResultSet(set);
}

TEST_F(OrvaOnTestDriver, CancelStopsALongStatement) {
  for (bool useRunHandle : {false, true}) {
    auto run = useRunHandle ? CCancelHandle::Create() : nullptr;
    std::atomic<bool> done{false};
    std::string error = "<no error>";
    std::thread worker([&] {
      CRecordsetEx* set = nullptr;
      try {
        m_conn->OpenResultSet("select sleep(600)", set, run);
      } catch (const CDBException& e) {
        error = e.m_strError;
      }
      CDBConnection::CloseResultSet(set);
      done = true;
    });
    while (!done) {
      if (run) run->Cancel();
      else if (CDBConnection::CurrentResultSet()) CDBConnection::CancelCurrentResultSet();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    EXPECT_NE(error.find("Operation canceled"), std::string::npos) << error;
  }
  EXPECT_EQ(ReadAll("select 3"), (Table{{"3"}}));
}

TEST_F(OrvaOnTestDriver, CatalogsOfEachDatabase) {
  m_conn->Execute("create table master_t(id int not null primary key, name varchar(20))");
  m_conn->Execute("create table sales..orders(no int not null, line smallint not null, amount decimal(10,2), "
                  "primary key (no, line))");
  m_conn->Execute("create view sales..big as select no from orders");
  m_conn->Execute("create procedure sales..p_orders as select 1");

  CTableCatalog tables(m_conn->GetDatabase());
  ASSERT_TRUE(tables.Open(std::string_view("sales"), std::nullopt, std::nullopt, std::string_view("TABLE")));
  ASSERT_FALSE(tables.IsEOF());
  EXPECT_EQ(tables.m_strTableQualifier, "sales");
  EXPECT_EQ(tables.m_strTableName, "orders");
  EXPECT_EQ(tables.m_strTableType, "TABLE");
  tables.MoveNext();
  EXPECT_TRUE(tables.IsEOF());
  tables.Close();
  CTableCatalog views(m_conn->GetDatabase());
  ASSERT_TRUE(views.Open(std::string_view("sales"), std::nullopt, std::nullopt, std::string_view("VIEW")));
  EXPECT_EQ(views.m_strTableName, "big");
  views.Close();

  CColumnCatalog columns(m_conn->GetDatabase());
  ASSERT_TRUE(columns.Open(std::string_view("sales"), std::nullopt, std::string_view("orders"), std::nullopt));
  std::vector<std::string> seen;
  for (; !columns.IsEOF(); columns.MoveNext()) {
    seen.push_back(columns.m_strColumnName + " " + std::to_string(columns.m_nDataType) + " " + columns.m_strTypeName +
                   " " + std::to_string(columns.m_nPrecision) + " " + std::to_string(columns.m_nScale) + " " +
                   std::to_string(columns.m_nNullable));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"no 4 int 10 0 0", "line 5 smallint 5 0 0", "amount 3 decimal 10 2 1"}));
  columns.Close();

  CPrimaryKeyCatalog keys(m_conn->GetDatabase());
  ASSERT_TRUE(keys.Open(std::nullopt, std::nullopt, std::string_view("master_t")));
  EXPECT_EQ(keys.m_strColumnName, "id");
  keys.Close();

  CProcedureCatalog procedures(m_conn->GetDatabase());
  ASSERT_TRUE(procedures.Open(std::string_view("sales"), std::nullopt, std::nullopt));
  EXPECT_EQ(procedures.m_strProcedureName, "p_orders;1");
  procedures.Close();

  TestConnection options = Options();
  options.hide = "SQLProcedures";
  auto lacking = Open(options);
  CProcedureCatalog missing(lacking->GetDatabase());
  EXPECT_FALSE(missing.Open(std::nullopt, std::nullopt, std::nullopt));
}

TEST_F(OrvaOnTestDriver, QualifiedNamesAndDropsAcrossDatabases) {
  m_conn->Execute("create table sales..t(x int)");
  EXPECT_EQ(m_conn->Execute("insert into sales..t values (1), (2), (3)"), 3);
  EXPECT_EQ(ReadAll("SELECT * FROM sales..t"), (Table{{"1"}, {"2"}, {"3"}}));
  m_conn->Execute("DROP TABLE sales..t");
  EXPECT_THROW(m_conn->Execute("DROP TABLE sales..t"), CDBException);
  m_conn->Execute("DROP DATABASE sales");
  EXPECT_EQ(ReadAll("SELECT name FROM master..sysdatabases ORDER BY name"), (Table{{"master"}}));
}

}  // namespace
}  // namespace orva::testdriver::test
