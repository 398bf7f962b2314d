// Statements through the test driver: values and their types, chunked reads,
// batches with several results, the server commands and qualified names.

#include <cstring>

#include "driver_fixture.h"

namespace orva::testdriver::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class QueryTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    m_dbc = Connect();
  }
  // Executes sql on a fresh statement and returns it (freed with the connection).
  SQLHSTMT Exec(const std::string& sql, SQLRETURN expected = SQL_SUCCESS) {
    SQLHSTMT stmt = NewStatement(m_dbc);
    EXPECT_EQ(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), expected)
        << sql << ": " << DiagText(SQL_HANDLE_STMT, stmt);
    return stmt;
  }
  SQLSMALLINT ColumnCount(SQLHSTMT stmt) {
    SQLSMALLINT n = -1;
    EXPECT_EQ(SQLNumResultCols(stmt, &n), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
    return n;
  }
  SQLLEN RowCount(SQLHSTMT stmt) {
    SQLLEN n = -2;
    EXPECT_EQ(SQLRowCount(stmt, &n), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
    return n;
  }
  std::string DatabaseName() {
    char name[64] = "";
    SQLGetInfo(m_dbc, SQL_DATABASE_NAME, name, sizeof name, nullptr);
    return name;
  }
  SQLHDBC m_dbc = SQL_NULL_HDBC;
};

TEST_F(QueryTest, ValuesOfEveryTypeFamilyReadAsText) {
  Run(m_dbc,
      "create table t(i int, d decimal(5,2), f float, v varchar(20), c char(3), dt date, tm time, ts datetime, "
      "b binary(4), e varchar(10), n int)");
  Run(m_dbc,
      "insert into t values (-7, -123.45, 2.5, '中文', 'abc', '2024-01-02', '03:04:05', '2024-01-02 03:04:05.250', "
      "x'DEADBEEF', '', NULL)");
  SQLHSTMT stmt = Exec("select * from t");
  EXPECT_EQ(Rows(stmt),
            (Table{{"-7", "-123.45", "2.5", "中文", "abc", "2024-01-02", "03:04:05", "2024-01-02 03:04:05.250",
                   "DEADBEEF", "", "<NULL>"}}));
  // A decimal column keeps its scale even for whole numbers.
  Run(m_dbc, "create table money(m decimal(10,2)); insert into money values (5)");
  EXPECT_EQ(Query(m_dbc, "select m from money"), (Table{{"5.00"}}));
  // Whole numbers beyond 2^53 are exact too.
  Run(m_dbc, "create table big(m decimal(20,2)); insert into big values (9007199254740993), (-9223372036854775807)");
  EXPECT_EQ(Query(m_dbc, "select m from big"), (Table{{"9007199254740993.00"}, {"-9223372036854775807.00"}}));
}

TEST_F(QueryTest, ColumnDescriptionsUseTheApplicationsDateCodes) {
  Run(m_dbc, "create table t(id int not null primary key, name nvarchar(30), d date, tm time, ts datetime, "
             "amount numeric(10,3), note text)");
  auto describe = [&](SQLHDBC dbc) {
    SQLHSTMT stmt = NewStatement(dbc);
    EXPECT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select * from t", SQL_NTS), SQL_SUCCESS);
    std::vector<std::tuple<std::string, SQLSMALLINT, SQLULEN, SQLSMALLINT, SQLSMALLINT>> columns;
    for (SQLUSMALLINT c = 1; c <= 7; ++c) {
      SQLCHAR name[64];
      SQLSMALLINT nameLength, type, digits, nullable;
      SQLULEN size;
      EXPECT_EQ(SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &type, &size, &digits, &nullable), SQL_SUCCESS);
      columns.emplace_back(reinterpret_cast<char*>(name), type, size, digits, nullable);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return columns;
  };
  auto v3 = describe(m_dbc);
  EXPECT_EQ(v3[0], std::make_tuple(std::string("id"), SQLSMALLINT{SQL_INTEGER}, SQLULEN{10}, SQLSMALLINT{0},
                                   SQLSMALLINT{SQL_NO_NULLS}));
  EXPECT_EQ(v3[1], std::make_tuple(std::string("name"), SQLSMALLINT{SQL_WVARCHAR}, SQLULEN{30}, SQLSMALLINT{0},
                                   SQLSMALLINT{SQL_NULLABLE}));
  EXPECT_EQ(std::get<1>(v3[2]), SQL_TYPE_DATE);
  EXPECT_EQ(std::get<1>(v3[3]), SQL_TYPE_TIME);
  EXPECT_EQ(std::get<1>(v3[4]), SQL_TYPE_TIMESTAMP);
  EXPECT_EQ(v3[5], std::make_tuple(std::string("amount"), SQLSMALLINT{SQL_NUMERIC}, SQLULEN{10}, SQLSMALLINT{3},
                                   SQLSMALLINT{SQL_NULLABLE}));
  EXPECT_EQ(std::get<1>(v3[6]), SQL_LONGVARCHAR);

  SQLHDBC odbc2 = Connect(Options(), SQL_OV_ODBC2);
  auto v2 = describe(odbc2);
  EXPECT_EQ(std::get<1>(v2[2]), SQL_DATE);
  EXPECT_EQ(std::get<1>(v2[3]), SQL_TIME);
  EXPECT_EQ(std::get<1>(v2[4]), SQL_TIMESTAMP);
  EXPECT_EQ(std::get<1>(v2[0]), SQL_INTEGER);

  // Expressions are typed from their first value.
  SQLHSTMT stmt = Exec("select 1 as a, 'x' as b, 2.5 as c, null as d");
  SQLLEN type = 0;
  SQLColAttribute(stmt, 1, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type);
  EXPECT_EQ(type, SQL_INTEGER);
  SQLColAttribute(stmt, 2, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type);
  EXPECT_EQ(type, SQL_VARCHAR);
  SQLColAttribute(stmt, 3, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &type);
  EXPECT_EQ(type, SQL_FLOAT);
  char label[16];
  SQLSMALLINT labelLength = 0;
  EXPECT_EQ(SQLColAttribute(stmt, 4, SQL_DESC_LABEL, label, sizeof label, &labelLength, nullptr), SQL_SUCCESS);
  EXPECT_STREQ(label, "d");
  SQLLEN count = 0;
  EXPECT_EQ(SQLColAttribute(stmt, 0, SQL_DESC_COUNT, nullptr, 0, nullptr, &count), SQL_SUCCESS);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(SQLColAttribute(stmt, 5, SQL_DESC_NAME, label, sizeof label, &labelLength, nullptr), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "07009");
}

TEST_F(QueryTest, LongValuesAreReadInChunks) {
  const std::string big(1000000, 'x');
  Run(m_dbc, "create table t(v text)");
  Run(m_dbc, "insert into t values ('" + big + "')");
  SQLHSTMT stmt = Exec("select v from t");
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  std::vector<char> buffer(1001);
  SQLLEN indicator = 0;
  ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, buffer.data(), 1001, &indicator), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "01004");
  EXPECT_EQ(indicator, 1000000);
  EXPECT_EQ(std::strlen(buffer.data()), 1000u);
  ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, buffer.data(), 1001, &indicator), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(indicator, 999000);
  // The rest at once, then nothing more.
  std::vector<char> rest(999001);
  ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, rest.data(), static_cast<SQLLEN>(rest.size()), &indicator), SQL_SUCCESS);
  EXPECT_EQ(indicator, 998000);
  EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, rest.data(), static_cast<SQLLEN>(rest.size()), &indicator), SQL_NO_DATA);
  // Reading the column again from another one starts it afresh.
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(Query(m_dbc, "select v from t")[0][0], big);

  // NOTOTAL: truncated chunks report no total length.
  TestConnection options = Options();
  options.noTotal = true;
  SQLHDBC noTotal = Connect(options);
  SQLHSTMT other = NewStatement(noTotal);
  ASSERT_EQ(SQLExecDirect(other, (SQLCHAR*)"select v from t", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(other), SQL_SUCCESS);
  EXPECT_EQ(SQLGetData(other, 1, SQL_C_CHAR, buffer.data(), 1001, &indicator), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(indicator, SQL_NO_TOTAL);
  SQLFreeHandle(SQL_HANDLE_STMT, other);
}

TEST_F(QueryTest, TypedReadsConvertAndCheckRanges) {
  Run(m_dbc, "create table t(i int, big bigint, f float, ts datetime, d date, tm time, s varchar(10))");
  Run(m_dbc, "insert into t values (42, 5000000000, 2.75, '2024-05-06 07:08:09.5', '2023-12-31', '23:59:58', 'abc')");
  SQLHSTMT stmt = Exec("select * from t");
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  SQLINTEGER i = 0;
  SQLLEN indicator = 0;
  EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_SLONG, &i, 0, &indicator), SQL_SUCCESS);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(indicator, 4);
  EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_SLONG, &i, 0, &indicator), SQL_NO_DATA);
  EXPECT_EQ(SQLGetData(stmt, 2, SQL_C_SLONG, &i, 0, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "22003");
  SQLBIGINT big = 0;
  EXPECT_EQ(SQLGetData(stmt, 2, SQL_C_SBIGINT, &big, 0, &indicator), SQL_SUCCESS);
  EXPECT_EQ(big, 5000000000LL);
  SQLSMALLINT small = 0;
  EXPECT_EQ(SQLGetData(stmt, 3, SQL_C_SSHORT, &small, 0, &indicator), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "01S07");
  EXPECT_EQ(small, 2);
  SQL_TIMESTAMP_STRUCT ts{};
  EXPECT_EQ(SQLGetData(stmt, 4, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator), SQL_SUCCESS);
  EXPECT_EQ(ts.year, 2024);
  EXPECT_EQ(ts.month, 5);
  EXPECT_EQ(ts.day, 6);
  EXPECT_EQ(ts.hour, 7);
  EXPECT_EQ(ts.minute, 8);
  EXPECT_EQ(ts.second, 9);
  EXPECT_EQ(ts.fraction, 500000000u);
  EXPECT_EQ(SQLGetData(stmt, 5, SQL_C_TIMESTAMP, &ts, sizeof ts, &indicator), SQL_SUCCESS);
  EXPECT_EQ(ts.year, 2023);
  EXPECT_EQ(ts.hour, 0);
  SQL_TIME_STRUCT tm{};
  EXPECT_EQ(SQLGetData(stmt, 6, SQL_C_TYPE_TIME, &tm, sizeof tm, &indicator), SQL_SUCCESS);
  EXPECT_EQ(tm.hour, 23);
  EXPECT_EQ(tm.second, 58);
  EXPECT_EQ(SQLGetData(stmt, 7, SQL_C_SLONG, &i, 0, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "22018");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(QueryTest, GetDataRefusesBadRequests) {
  SQLHSTMT stmt = Exec("select 1 as a");
  char buffer[16];
  SQLLEN indicator;
  EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "24000");
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  EXPECT_EQ(SQLGetData(stmt, 2, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "07009");
  EXPECT_EQ(SQLGetData(stmt, 0, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "07009");
  EXPECT_EQ(SQLGetData(stmt, 1, 12345, buffer, sizeof buffer, &indicator), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY003");
  EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS);
  EXPECT_STREQ(buffer, "1");
  EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
  // NULL needs an indicator.
  SQLHSTMT nulls = Exec("select null");
  ASSERT_EQ(SQLFetch(nulls), SQL_SUCCESS);
  EXPECT_EQ(SQLGetData(nulls, 1, SQL_C_CHAR, buffer, sizeof buffer, nullptr), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, nulls), "22002");
}

TEST_F(QueryTest, BoundColumnsAreFilledByFetch) {
  Run(m_dbc, "create table t(id int, name varchar(20)); insert into t values (1, 'short'), (2, 'a longer name')");
  SQLHSTMT stmt = NewStatement(m_dbc);
  SQLINTEGER id = 0;
  char name[6];
  SQLLEN idIndicator = 0, nameIndicator = 0;
  SQLULEN fetched = 0;
  ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SLONG, &id, 0, &idIndicator), SQL_SUCCESS);
  ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_CHAR, name, sizeof name, &nameIndicator), SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select id, name from t order by id", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  EXPECT_EQ(id, 1);
  EXPECT_STREQ(name, "short");
  EXPECT_EQ(fetched, 1u);
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "01004");
  EXPECT_EQ(id, 2);
  EXPECT_STREQ(name, "a lon");
  EXPECT_EQ(nameIndicator, 13);
  EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
  EXPECT_EQ(fetched, 0u);
  // Unbound, the same statement runs again with nothing written.
  ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
  ASSERT_EQ(SQLFreeStmt(stmt, SQL_UNBIND), SQL_SUCCESS);
  id = -1;
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select id from t", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  EXPECT_EQ(id, -1);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(QueryTest, BatchesProduceOneResultPerStatement) {
  Run(m_dbc, "create table t(n int); insert into t values (1), (2), (3)");
  SQLHSTMT stmt = Exec("select 1 as a; select 'x' as b, 'y' as c; update t set n = n + 1; create table u(x int)");
  EXPECT_EQ(ColumnCount(stmt), 1);
  EXPECT_EQ(Rows(stmt), (Table{{"1"}}));
  ASSERT_EQ(SQLMoreResults(stmt), SQL_SUCCESS);
  EXPECT_EQ(ColumnCount(stmt), 2);
  EXPECT_EQ(Rows(stmt), (Table{{"x", "y"}}));
  ASSERT_EQ(SQLMoreResults(stmt), SQL_SUCCESS);
  EXPECT_EQ(ColumnCount(stmt), 0);
  EXPECT_EQ(RowCount(stmt), 3);
  ASSERT_EQ(SQLMoreResults(stmt), SQL_SUCCESS);
  EXPECT_EQ(ColumnCount(stmt), 0);
  EXPECT_EQ(RowCount(stmt), -1);
  EXPECT_EQ(SQLMoreResults(stmt), SQL_NO_DATA);

  // Semicolons in quotes and comments do not split; trigger bodies stay whole.
  stmt = Exec("select 'a;b' -- c;d\n; create trigger tr after insert on t begin update t set n = 0; end; select 2");
  EXPECT_EQ(Rows(stmt), (Table{{"a;b"}}));
  ASSERT_EQ(SQLMoreResults(stmt), SQL_SUCCESS);
  ASSERT_EQ(SQLMoreResults(stmt), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), (Table{{"2"}}));
  EXPECT_EQ(SQLMoreResults(stmt), SQL_NO_DATA);
}

TEST_F(QueryTest, AnErrorInABatchEndsItAtThatStatement) {
  SQLHSTMT stmt = Exec("select 1; select * from missing; select 3");
  EXPECT_EQ(Rows(stmt), (Table{{"1"}}));
  EXPECT_EQ(SQLMoreResults(stmt), SQL_ERROR);
  const std::string text = DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(text.substr(0, 5), "42S02");
  EXPECT_NE(text.find("no such table: missing"), std::string::npos) << text;
  EXPECT_EQ(SQLMoreResults(stmt), SQL_NO_DATA);
  // The statement can be used again.
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select 4", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), (Table{{"4"}}));

  SQLHSTMT first = Exec("selec 1", SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, first), "42000");
  SQLHSTMT blank = Exec(" \t\r\n", SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, blank), "42000");
  SQLHSTMT comments = Exec("-- nothing here\n/* nor here */");
  EXPECT_EQ(ColumnCount(comments), 0);
  EXPECT_EQ(SQLMoreResults(comments), SQL_NO_DATA);
}

TEST_F(QueryTest, StaticCursorsScroll) {
  Run(m_dbc, "create table t(n int); insert into t values (1), (2), (3), (4)");
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, (SQLPOINTER)SQL_CURSOR_STATIC, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select n from t order by n", SQL_NTS), SQL_SUCCESS);
  auto at = [&](SQLSMALLINT orientation, SQLLEN offset) -> std::string {
    const SQLRETURN rc = SQLFetchScroll(stmt, orientation, offset);
    if (rc == SQL_NO_DATA) return "none";
    EXPECT_EQ(rc, SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
    char value[8] = "";
    SQLLEN indicator;
    SQLGetData(stmt, 1, SQL_C_CHAR, value, sizeof value, &indicator);
    return value;
  };
  EXPECT_EQ(at(SQL_FETCH_LAST, 0), "4");
  EXPECT_EQ(at(SQL_FETCH_PRIOR, 0), "3");
  EXPECT_EQ(at(SQL_FETCH_FIRST, 0), "1");
  EXPECT_EQ(at(SQL_FETCH_RELATIVE, 2), "3");
  EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, -1), "4");
  EXPECT_EQ(at(SQL_FETCH_NEXT, 0), "none");
  EXPECT_EQ(at(SQL_FETCH_PRIOR, 0), "4");
  EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, 0), "none");
  EXPECT_EQ(at(SQL_FETCH_NEXT, 0), "1");
  EXPECT_EQ(at(SQL_FETCH_ABSOLUTE, 9), "none");
  EXPECT_EQ(SQLFetchScroll(stmt, SQL_FETCH_BOOKMARK, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY106");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  // A forward-only cursor only moves on.
  SQLHSTMT forward = Exec("select n from t");
  EXPECT_EQ(SQLFetchScroll(forward, SQL_FETCH_FIRST, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, forward), "HY106");
}

TEST_F(QueryTest, ClosingABatchEarlyStillRunsItsOtherStatements) {
  Run(m_dbc, "create table t(n int)");
  SQLHSTMT stmt = Exec("select 1; insert into t values (1); insert into t values (2)");
  ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"2"}}));
  stmt = Exec("insert into t values (3); select * from missing; insert into t values (4)");
  ASSERT_EQ(SQLFreeHandle(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"3"}}));
  // A cancel drops the rest instead.
  stmt = Exec("select 1; insert into t values (5)");
  ASSERT_EQ(SQLCancel(stmt), SQL_SUCCESS);
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"3"}}));
}

TEST_F(QueryTest, RowCountsOfChanges) {
  Run(m_dbc, "create table t(n int)");
  EXPECT_EQ(RowCount(Exec("insert into t values (1), (2), (3)")), 3);
  EXPECT_EQ(RowCount(Exec("update t set n = 0 where n < 3")), 2);
  EXPECT_EQ(RowCount(Exec("delete from t")), 3);
  EXPECT_EQ(RowCount(Exec("update t set n = 1")), 0);
  EXPECT_EQ(RowCount(Exec("create table u(x int)")), -1);
  SQLHSTMT stmt = NewStatement(m_dbc);
  SQLLEN n;
  EXPECT_EQ(SQLRowCount(stmt, &n), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY010");
}

TEST_F(QueryTest, PreparedStatementsRunWhenExecuted) {
  Run(m_dbc, "create table t(n int)");
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLPrepare(stmt, (SQLCHAR*)"insert into t values (1)", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"0"}}));
  ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS);
  ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS);
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"2"}}));
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(QueryTest, UseSwitchesTheCurrentDatabase) {
  Run(m_dbc, "create database sales; create table here(x int)");
  Run(m_dbc, "use sales");
  EXPECT_EQ(DatabaseName(), "sales");
  Run(m_dbc, "create table orders(id int)");
  // Names are matched ignoring case, as the server's collation does.
  Run(m_dbc, "use [MASTER]");
  EXPECT_EQ(DatabaseName(), "master");
  EXPECT_EQ(Query(m_dbc, "select name from sysobjects where type = 'U' order by name"), (Table{{"here"}}));

  SQLHSTMT stmt = Exec("use nosuch", SQL_ERROR);
  const std::string text = DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(text.substr(0, 5), "08004");
  EXPECT_NE(text.find("Database 'nosuch' does not exist"), std::string::npos) << text;
  EXPECT_EQ(DatabaseName(), "master");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("use", SQL_ERROR)), "42000");
}

TEST_F(QueryTest, DatabaseListAndObjectQueries) {
  Run(m_dbc, "create database sales; create database Archive");
  EXPECT_EQ(Query(m_dbc, "SELECT name FROM master..sysdatabases ORDER BY name"),
            (Table{{"Archive"}, {"master"}, {"sales"}}));
  Run(m_dbc, "use sales");
  EXPECT_EQ(Query(m_dbc, "select count(*) from sysdatabases"), (Table{{"3"}}));
  Run(m_dbc, "create function f_scalar(@x int) returns int as begin return @x end");
  Run(m_dbc, "create function f_inline() returns table as return (select 1 as a)");
  Run(m_dbc, "create function f_multi() returns @t table (a int) as begin insert @t values (1); return end");
  Run(m_dbc, "create procedure p as select 1");
  Run(m_dbc, "create table t(x int); create view v as select x from t");
  EXPECT_EQ(Query(m_dbc, "select name from sysobjects where type = 'TF' or type = 'IF' or type = 'FN' order by name"),
            (Table{{"f_inline"}, {"f_multi"}, {"f_scalar"}}));
  EXPECT_EQ(Query(m_dbc, "select name, type from sysobjects where type in ('U', 'V', 'P') order by name"),
            (Table{{"p", "P"}, {"t", "U"}, {"v", "V"}}));
  // Another database's objects through a qualified name.
  Run(m_dbc, "use master");
  EXPECT_EQ(Query(m_dbc, "select name from sales..sysobjects where type = 'P'"), (Table{{"p"}}));
}

TEST_F(QueryTest, QualifiedNamesReachTheirDatabase) {
  Run(m_dbc, "create database sales; create database hr");
  Run(m_dbc, "create table sales..orders(id int, item varchar(10))");
  Run(m_dbc, "insert into sales.dbo.orders values (1, 'pen'); insert into [sales]..[orders] values (2, 'ink')");
  Run(m_dbc, "create table t(id int); insert into t values (7)");
  EXPECT_EQ(Query(m_dbc, "select o.item from sales..orders o where o.id = 2"), (Table{{"ink"}}));
  EXPECT_EQ(Query(m_dbc, "select id from master..t"), (Table{{"7"}}));
  EXPECT_EQ(Query(m_dbc, "select id from t"), (Table{{"7"}}));
  Run(m_dbc, "use sales");
  EXPECT_EQ(Query(m_dbc, "select count(*) from orders"), (Table{{"2"}}));
  EXPECT_EQ(Query(m_dbc, "select x.id from master.dbo.t x join sales..orders o on o.id = 1"), (Table{{"7"}}));
  // A quoted text that looks like a qualified name is left alone.
  EXPECT_EQ(Query(m_dbc, "select 'sales..orders'"), (Table{{"sales..orders"}}));
  Run(m_dbc, "drop table sales..orders");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("select * from orders", SQL_ERROR)), "42S02");
  SQLHSTMT stmt = Exec("select * from nosuch..t", SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "08004");
}

TEST_F(QueryTest, DatabasesAreCreatedAndDropped) {
  Run(m_dbc, "create database sales");
  EXPECT_EQ(DiagText(SQL_HANDLE_STMT, Exec("create database SALES", SQL_ERROR)).substr(0, 5), "42000");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("create database [a/b]", SQL_ERROR)), "42000");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("drop database master", SQL_ERROR)), "42000");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("drop database nosuch", SQL_ERROR)), "42000");
  Run(m_dbc, "select * from sales..sysobjects");  // attached before the drop
  Run(m_dbc, "drop database sales");
  EXPECT_EQ(Query(m_dbc, "SELECT name FROM master..sysdatabases ORDER BY name"), (Table{{"master"}}));
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("use sales", SQL_ERROR)), "08004");
}

TEST_F(QueryTest, HelpTextReturnsTheSourceOverSeveralRows) {
  const std::string view = "create view v as\r\nselect 1 as a\r\nunion all select 2";
  Run(m_dbc, view);
  SQLHSTMT stmt = Exec("sp_helptext v");
  EXPECT_EQ(Rows(stmt), (Table{{"CREATE VIEW v as\r\n"}, {"select 1 as a\r\n"}, {"union all select 2"}}));
  const std::string procedure = "create procedure dbo.report as\nselect 1;\nselect 2;\n\n";
  Run(m_dbc, procedure);
  std::string joined;
  for (const auto& row : Query(m_dbc, "exec sp_helptext 'report'")) joined += row[0];
  EXPECT_EQ(joined, "create procedure dbo.report as\nselect 1;\nselect 2;");
  // A line longer than a row is cut into rows of 255 bytes, whole characters.
  const std::string longLine = "create procedure wide as select '" + std::string(300, 'x') + "中文'";
  Run(m_dbc, longLine);
  const Table rows = Query(m_dbc, "sp_helptext wide");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].size(), 255u);
  EXPECT_EQ(rows[0][0] + rows[1][0], longLine);
  // In another database, through a qualified name.
  Run(m_dbc, "create database sales; create procedure sales..p as select 3");
  EXPECT_EQ(Query(m_dbc, "sp_helptext sales..p"), (Table{{"create procedure sales..p as select 3"}}));

  Run(m_dbc, "create table t(x int)");
  EXPECT_NE(DiagText(SQL_HANDLE_STMT, Exec("sp_helptext t", SQL_ERROR)).find("There is no text for object 't'"),
            std::string::npos);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("sp_helptext nothing", SQL_ERROR)), "42000");
}

TEST_F(QueryTest, RoutinesAreCreatedAndDroppedOnce) {
  Run(m_dbc, "create procedure p as select 1");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("create procedure P as select 2", SQL_ERROR)), "42S01");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("drop function p", SQL_ERROR)), "42000");
  Run(m_dbc, "drop procedure master..p");
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, Exec("drop procedure p", SQL_ERROR)), "42000");
}

TEST_F(QueryTest, Odbc2ApplicationsGetErrorsThroughSQLError) {
  SQLHDBC dbc = Connect(Options(), SQL_OV_ODBC2);
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  ASSERT_EQ(SQLAllocStmt(dbc, &stmt), SQL_SUCCESS);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select * from missing", SQL_NTS), SQL_ERROR);
  SQLCHAR state[6];
  SQLCHAR message[256];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  ASSERT_EQ(SQLError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt, state, &native, message, sizeof message, &length), SQL_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(state), "S0002");
  EXPECT_NE(std::string(reinterpret_cast<char*>(message)).find("no such table: missing"), std::string::npos);
  EXPECT_EQ(SQLError(SQL_NULL_HENV, SQL_NULL_HDBC, stmt, state, &native, message, sizeof message, &length),
            SQL_NO_DATA);
  EXPECT_EQ(SQLFreeStmt(stmt, SQL_DROP), SQL_SUCCESS);
}

}  // namespace
}  // namespace orva::testdriver::test
