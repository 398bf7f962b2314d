// Catalog functions of the test driver: per database, with the column names
// of the application's ODBC version.

#include "driver_fixture.h"

namespace orva::testdriver::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class CatalogTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    m_dbc = Connect();
    Run(m_dbc, "create table customers(id int not null primary key, name nvarchar(40) not null, "
               "balance decimal(10,2), joined date)");
    Run(m_dbc, "create table lines(order_id int, line int, qty smallint, primary key (line, order_id))");
    Run(m_dbc, "create view rich as select name from customers where balance > 1000");
    Run(m_dbc, "create procedure report as select 1");
    Run(m_dbc, "create function twice(@x int) returns int as begin return 2 * @x end");
    Run(m_dbc, "create database sales; create table sales..orders(n int); create view sales..big as select n from "
               "sales..orders");
  }
  // Column names of the current result.
  std::vector<std::string> Names(SQLHSTMT stmt) {
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    std::vector<std::string> names;
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
      SQLCHAR name[64];
      SQLSMALLINT length, type, digits, nullable;
      SQLULEN size;
      SQLDescribeCol(stmt, c, name, sizeof name, &length, &type, &size, &digits, &nullable);
      names.emplace_back(reinterpret_cast<char*>(name));
    }
    return names;
  }
  // Selected columns (1-based) of every row.
  Table Pick(const Table& rows, std::vector<std::size_t> columns) {
    Table out;
    for (const auto& row : rows) {
      std::vector<std::string> picked;
      for (std::size_t c : columns) picked.push_back(row[c - 1]);
      out.push_back(picked);
    }
    return out;
  }
  Table Tables(SQLHDBC dbc, const char* catalog, const char* types) {
    SQLHSTMT stmt = NewStatement(dbc);
    EXPECT_EQ(SQLTables(stmt, (SQLCHAR*)catalog, SQL_NTS, nullptr, 0, nullptr, 0, (SQLCHAR*)types, SQL_NTS),
              SQL_SUCCESS)
        << DiagText(SQL_HANDLE_STMT, stmt);
    Table rows = Rows(stmt);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
  }
  SQLHDBC m_dbc = SQL_NULL_HDBC;
};

TEST_F(CatalogTest, TablesAndViewsOfEachDatabase) {
  EXPECT_EQ(Tables(m_dbc, nullptr, "TABLE"),
            (Table{{"master", "dbo", "customers", "TABLE", "<NULL>"}, {"master", "dbo", "lines", "TABLE", "<NULL>"}}));
  EXPECT_EQ(Tables(m_dbc, nullptr, "VIEW"), (Table{{"master", "dbo", "rich", "VIEW", "<NULL>"}}));
  EXPECT_EQ(Pick(Tables(m_dbc, "sales", "'TABLE','VIEW'"), {3, 4}), (Table{{"orders", "TABLE"}, {"big", "VIEW"}}));
  EXPECT_EQ(Tables(m_dbc, "nosuch", nullptr), Table{});
  // The enumeration of databases.
  EXPECT_EQ(Pick(Tables(m_dbc, "%", nullptr), {1}), (Table{{"master"}, {"sales"}}));
  // A table name pattern, ignoring case.
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"CUST%", SQL_NTS, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Pick(Rows(stmt), {3}), (Table{{"customers"}}));
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CatalogTest, ColumnNamesFollowTheOdbcVersion) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Names(stmt), (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);

  SQLHDBC odbc2 = Connect(Options(), SQL_OV_ODBC2);
  stmt = NewStatement(odbc2);
  ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Names(stmt),
            (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"customers", SQL_NTS, nullptr, 0), SQL_SUCCESS);
  const auto names = Names(stmt);
  ASSERT_GE(names.size(), 12u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 12),
            (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE",
                                      "TYPE_NAME", "PRECISION", "LENGTH", "SCALE", "RADIX", "NULLABLE", "REMARKS"}));
  // Dates carry the ODBC 2 code here.
  EXPECT_EQ(Pick(Rows(stmt), {4, 5}), (Table{{"id", "4"}, {"name", "-9"}, {"balance", "3"}, {"joined", "9"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLProcedures(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Names(stmt)[0], "PROCEDURE_QUALIFIER");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CatalogTest, ColumnsWithTypesSizesAndNullability) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLColumns(stmt, (SQLCHAR*)"master", SQL_NTS, nullptr, 0, (SQLCHAR*)"customers", SQL_NTS, nullptr, 0),
            SQL_SUCCESS);
  // name, data type, type name, size, length, scale, radix, nullable, position
  EXPECT_EQ(Pick(Rows(stmt), {4, 5, 6, 7, 8, 9, 10, 11, 17}),
            (Table{{"id", "4", "int", "10", "4", "0", "10", "0", "1"},
                   {"name", "-9", "nvarchar", "40", "80", "<NULL>", "<NULL>", "0", "2"},
                   {"balance", "3", "decimal", "10", "12", "2", "10", "1", "3"},
                   {"joined", "91", "date", "10", "6", "<NULL>", "<NULL>", "1", "4"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  // The qualifier names the database.
  ASSERT_EQ(SQLColumns(stmt, (SQLCHAR*)"sales", SQL_NTS, nullptr, 0, (SQLCHAR*)"orders", SQL_NTS, nullptr, 0),
            SQL_SUCCESS);
  EXPECT_EQ(Pick(Rows(stmt), {1, 3, 4}), (Table{{"sales", "orders", "n"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"orders", SQL_NTS, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), Table{});
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLColumns(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"customers", SQL_NTS, (SQLCHAR*)"%n%", SQL_NTS),
            SQL_SUCCESS);
  EXPECT_EQ(Pick(Rows(stmt), {4}), (Table{{"name"}, {"balance"}, {"joined"}}));
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CatalogTest, PrimaryKeysInKeyOrder) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"LINES", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), (Table{{"master", "dbo", "lines", "line", "1", "PK_lines"},
                               {"master", "dbo", "lines", "order_id", "2", "PK_lines"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"rich", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), Table{});
  SQLFreeStmt(stmt, SQL_CLOSE);
  EXPECT_EQ(SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY009");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CatalogTest, ProceduresWithTheirGroupNumbers) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLProcedures(stmt, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Pick(Rows(stmt), {1, 3, 8}), (Table{{"master", "report;1", "1"}, {"master", "twice;0", "2"}}));
  SQLFreeStmt(stmt, SQL_CLOSE);
  ASSERT_EQ(SQLProcedures(stmt, (SQLCHAR*)"sales", SQL_NTS, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(Rows(stmt), Table{});
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CatalogTest, ACatalogCallNeedsItsResultsClosedFirst) {
  SQLHSTMT stmt = NewStatement(m_dbc);
  ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  EXPECT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "24000");
  // The driver manager considers the failed call to have left no cursor; the
  // driver still has it open until the results are closed.
  EXPECT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_SUCCESS);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

}  // namespace
}  // namespace orva::testdriver::test
