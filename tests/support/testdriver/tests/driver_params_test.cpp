// Writing rows safely through the test driver: bound parameters, manual
// commit with SQLEndTran, and the columns that identify a row.

#include <cstdint>
#include <cstring>

#include "driver_fixture.h"

namespace orva::testdriver::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ParamsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    m_dbc = Connect();
    Run(m_dbc, "create table t(k integer primary key, s varchar(20), n bigint, d float, b varbinary(10), w nvarchar(20))");
  }
  SQLRETURN Bind(SQLHSTMT stmt, SQLUSMALLINT n, SQLSMALLINT cType, SQLSMALLINT sqlType, void* value, SQLLEN length,
                 SQLLEN* indicator) {
    return SQLBindParameter(stmt, n, SQL_PARAM_INPUT, cType, sqlType, 20, 0, value, length, indicator);
  }
  // Runs sql on stmt; the row count, or -2 for a failure that must give state.
  SQLLEN Execute(SQLHSTMT stmt, const std::string& sql, const char* state = nullptr) {
    const SQLRETURN expected = state ? SQL_ERROR : SQL_SUCCESS;
    EXPECT_EQ(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), expected) << sql << ": "
                                                                            << DiagText(SQL_HANDLE_STMT, stmt);
    if (state) {
      EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), state);
    }
    SQLLEN count = -2;
    if (expected == SQL_SUCCESS) {
      EXPECT_EQ(SQLRowCount(stmt, &count), SQL_SUCCESS);
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
    return count;
  }
  void SetAutocommit(SQLHDBC dbc, SQLULEN on) {
    ASSERT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on), SQL_IS_UINTEGER),
              SQL_SUCCESS)
        << DiagText(SQL_HANDLE_DBC, dbc);
  }
  Table SpecialColumns(const char* table, SQLUSMALLINT type = SQL_BEST_ROWID) {
    SQLHSTMT stmt = NewStatement(m_dbc);
    EXPECT_EQ(SQLSpecialColumns(stmt, type, nullptr, 0, nullptr, 0, (SQLCHAR*)table, SQL_NTS, SQL_SCOPE_SESSION,
                                SQL_NO_NULLS),
              SQL_SUCCESS)
        << DiagText(SQL_HANDLE_STMT, stmt);
    Table out;
    for (const auto& row : Rows(stmt)) out.push_back({row[1], row[3], row[7]});  // name, type name, pseudo
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return out;
  }
  SQLHDBC m_dbc = SQL_NULL_HDBC;
};

// Every C type the table window binds, read when the statement executes, so
// that new buffer contents (and rebinding) give the next row.
TEST_F(ParamsTest, BoundValuesAreReadAtEachExecution) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  const char* insert = "insert into t values (?, ?, ?, ?, ?, ?)";
  ASSERT_EQ(SQLPrepare(stmt, (SQLCHAR*)insert, SQL_NTS), SQL_SUCCESS);
  SQLSMALLINT count = 0;
  ASSERT_EQ(SQLNumParams(stmt, &count), SQL_SUCCESS);
  EXPECT_EQ(count, 6);

  SQLINTEGER k = 1;
  char text[32] = "张三 '; drop table t; --";
  SQLBIGINT big = (SQLBIGINT{1} << 40) + 1;
  double d = 2.5;
  unsigned char bytes[3] = {0x00, 0x01, 0xFF};
  SQLWCHAR wide[4] = {0x6C49, 0x5B57, 'x', 0};  // 汉字x
  SQLLEN textLength = SQL_NTS, bytesLength = 3, wideLength = SQL_NTS;
  ASSERT_EQ(Bind(stmt, 1, SQL_C_SLONG, SQL_INTEGER, &k, 0, nullptr), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 2, SQL_C_CHAR, SQL_VARCHAR, text, sizeof text, &textLength), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 3, SQL_C_SBIGINT, SQL_BIGINT, &big, 0, nullptr), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 4, SQL_C_DOUBLE, SQL_DOUBLE, &d, 0, nullptr), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 5, SQL_C_BINARY, SQL_VARBINARY, bytes, 3, &bytesLength), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 6, SQL_C_WCHAR, SQL_WVARCHAR, wide, sizeof wide, &wideLength), SQL_SUCCESS);
  ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);

  // Second row: same buffers, new contents; an explicit length cuts the text;
  // NULL through the indicator.
  k = 2;
  std::strcpy(text, "abcdef");
  textLength = 3;
  bytesLength = SQL_NULL_DATA;
  wideLength = 2 * sizeof(SQLWCHAR);
  ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);

  // Third row: parameter 1 rebound to another buffer and type.
  char key[] = "3";
  ASSERT_EQ(Bind(stmt, 1, SQL_C_CHAR, SQL_INTEGER, key, sizeof key, nullptr), SQL_SUCCESS);
  textLength = SQL_NULL_DATA;
  ASSERT_EQ(SQLExecute(stmt), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);

  EXPECT_EQ(Query(m_dbc, "select k, typeof(k), s, n, d, case when b is null then 'null' else hex(b) end, w from t order by k"),
            (Table{{"1", "integer", "张三 '; drop table t; --", "1099511627777", "2.5", "0001FF", "汉字x"},
                   {"2", "integer", "abc", "1099511627777", "2.5", "null", "汉字"},
                   {"3", "integer", "<NULL>", "1099511627777", "2.5", "null", "汉字"}}));

  // Parameters dropped: executing again misses a value.
  ASSERT_EQ(SQLFreeStmt(stmt, SQL_RESET_PARAMS), SQL_SUCCESS);
  EXPECT_EQ(SQLExecute(stmt), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "07002");

  // A bind offset moves every buffer (here from text to key).
  SQLLEN offset = reinterpret_cast<std::intptr_t>(key) - reinterpret_cast<std::intptr_t>(text);
  ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 1, SQL_C_CHAR, SQL_INTEGER, text, sizeof text, nullptr), SQL_SUCCESS);
  std::strcpy(text, "2");
  std::strcpy(key, "4");
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"delete from t where k < ?", SQL_NTS), SQL_SUCCESS);
  SQLLEN deleted = 0;
  ASSERT_EQ(SQLRowCount(stmt, &deleted), SQL_SUCCESS);
  EXPECT_EQ(deleted, 3);
}

// The statements the table window sends, with text bound for every value:
// numbers compare with stored numbers, text stays text, and the row count
// tells how many rows were hit.
TEST_F(ParamsTest, TableWindowWritesReportTheirRowCounts) {
  Run(m_dbc, "insert into t(k, s, n) values (1, '007', 10), (2, NULL, 20), (3, NULL, 30)");
  SQLHSTMT stmt = NewStatement(m_dbc);
  char value[16] = "008", key[16] = "1";
  SQLLEN valueLength = SQL_NTS, keyLength = SQL_NTS;
  ASSERT_EQ(Bind(stmt, 1, SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &valueLength), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 2, SQL_C_CHAR, SQL_INTEGER, key, sizeof key, &keyLength), SQL_SUCCESS);
  EXPECT_EQ(Execute(stmt, "UPDATE \"t\" SET \"s\" = ? WHERE \"k\" = ? AND \"s\" = '007'"), 1);
  EXPECT_EQ(Execute(stmt, "UPDATE \"t\" SET \"s\" = ? WHERE \"k\" = ? AND \"s\" = '007'"), 0);

  // DELETE of a row found by a NULL column and a bound key.
  std::strcpy(value, "20");
  std::strcpy(key, "2");
  ASSERT_EQ(SQLFreeStmt(stmt, SQL_RESET_PARAMS), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 1, SQL_C_CHAR, SQL_BIGINT, value, sizeof value, &valueLength), SQL_SUCCESS);
  ASSERT_EQ(Bind(stmt, 2, SQL_C_CHAR, SQL_INTEGER, key, sizeof key, &keyLength), SQL_SUCCESS);
  EXPECT_EQ(Execute(stmt, "DELETE FROM \"t\" WHERE \"n\" = ? AND \"s\" IS NULL AND \"k\" = ?"), 1);
  EXPECT_EQ(Query(m_dbc, "select k, s, typeof(s) from t order by k"),
            (Table{{"1", "008", "text"}, {"3", "<NULL>", "null"}}));

  // A marker without a value, and values the driver does not take.
  EXPECT_EQ(Execute(stmt, "select ?, ?, ?", "07002"), -2);
  // Names are no markers: they take no bound value and read as NULL.
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select :a is null, @b is null, ?, ?", SQL_NTS), SQL_SUCCESS)
      << DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(Rows(stmt), (Table{{"1", "1", "20", "2"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  SQLLEN atExec = SQL_DATA_AT_EXEC;
  ASSERT_EQ(Bind(stmt, 3, SQL_C_CHAR, SQL_VARCHAR, value, sizeof value, &atExec), SQL_SUCCESS);
  EXPECT_EQ(Execute(stmt, "select ?, ?, ?", "HYC00"), -2);
  EXPECT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, value, 1, nullptr), SQL_ERROR);
}

TEST_F(ParamsTest, ManualCommitEndsWithCommitOrRollback) {
  SQLUSMALLINT capable = 0;
  ASSERT_EQ(SQLGetInfo(m_dbc, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr), SQL_SUCCESS);
  EXPECT_EQ(capable, SQL_TC_ALL);
  Run(m_dbc, "insert into t(k, s) values (1, 'kept')");

  SetAutocommit(m_dbc, SQL_AUTOCOMMIT_OFF);
  SQLUINTEGER mode = 99;
  ASSERT_EQ(SQLGetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, &mode, sizeof mode, nullptr), SQL_SUCCESS);
  EXPECT_EQ(mode, SQL_AUTOCOMMIT_OFF);
  Run(m_dbc, "update t set s = 'changed' where k = 1");
  Run(m_dbc, "insert into t(k, s) values (2, 'new'); create table u(x int)");
  EXPECT_EQ(Query(m_dbc, "select count(*) from t"), (Table{{"2"}}));
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK), SQL_SUCCESS) << DiagText(SQL_HANDLE_DBC, m_dbc);
  EXPECT_EQ(Query(m_dbc, "select k, s from t"), (Table{{"1", "kept"}}));
  EXPECT_EQ(Query(m_dbc, "select count(*) from sqlite_master where name = 'u'"), (Table{{"0"}}));

  // After an end the next statement opens the next transaction.
  Run(m_dbc, "update t set s = 'committed' where k = 1");
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT), SQL_SUCCESS) << DiagText(SQL_HANDLE_DBC, m_dbc);
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK), SQL_SUCCESS);
  // Back to autocommit commits what is open.
  Run(m_dbc, "insert into t(k, s) values (3, 'on switch')");
  SetAutocommit(m_dbc, SQL_AUTOCOMMIT_ON);
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK), SQL_SUCCESS);
  // Work left open at disconnect is undone.
  SetAutocommit(m_dbc, SQL_AUTOCOMMIT_OFF);
  Run(m_dbc, "delete from t");
  ASSERT_EQ(SQLDisconnect(m_dbc), SQL_SUCCESS) << DiagText(SQL_HANDLE_DBC, m_dbc);
  EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, m_dbc, 7), SQL_ERROR);

  SQLHDBC again = Connect();
  EXPECT_EQ(Query(again, "select k, s from t order by k"), (Table{{"1", "committed"}, {"3", "on switch"}}));
  EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, again, 7), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_DBC, again), "HY012");
}

TEST_F(ParamsTest, BestRowIdIsTheIntegerKeyOrTheRowid) {
  Run(m_dbc, "create table plain(a varchar(5), b int)");
  Run(m_dbc, "create table named(rowid varchar(5), c int)");
  Run(m_dbc, "create table pair(a int not null, b varchar(5) not null, c int, primary key (b, a)) without rowid");
  Run(m_dbc, "create view v as select k from t");
  EXPECT_EQ(SpecialColumns("T"), (Table{{"k", "integer", std::to_string(SQL_PC_NOT_PSEUDO)}}));
  EXPECT_EQ(SpecialColumns("plain"), (Table{{"rowid", "bigint", std::to_string(SQL_PC_PSEUDO)}}));
  EXPECT_EQ(SpecialColumns("named"), (Table{{"_rowid_", "bigint", std::to_string(SQL_PC_PSEUDO)}}));
  EXPECT_EQ(SpecialColumns("pair"), (Table{{"b", "varchar", std::to_string(SQL_PC_NOT_PSEUDO)},
                                           {"a", "int", std::to_string(SQL_PC_NOT_PSEUDO)}}));
  EXPECT_EQ(SpecialColumns("v"), Table{});
  EXPECT_EQ(SpecialColumns("missing"), Table{});
  EXPECT_EQ(SpecialColumns("t", SQL_ROWVER), Table{});

  // The pseudo column names the row a statement reaches.
  Run(m_dbc, "insert into plain values ('x', 1), ('y', 2)");
  EXPECT_EQ(Query(m_dbc, "select a from plain where rowid = 2"), (Table{{"y"}}));
}

}  // namespace
}  // namespace orva::testdriver::test
