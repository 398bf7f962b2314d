// Writes to file tables the way the table window makes them: values bound as
// parameters, inside a transaction that a rollback undoes without touching
// the file and a commit writes.

#include <sql.h>
#include <sqlext.h>

#include <optional>

#include "db/connectstring.h"
#include "db/database.h"
#include "export/dbfwriter.h"
#include "filedriver_fixture.h"

namespace orva::filedriver::test {
namespace {

class TransactionsTest : public FileDriverTest {
 protected:
  SQLHDBC Handle(CDBConnection& conn) { return conn.GetDatabase()->Handle(); }

  // First diagnostic of a handle as "STATE message".
  static std::string Diag(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = "", text[512] = "";
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &length);
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
  }

  // Runs sql with UTF-8 text parameters (nullopt: NULL); returns the row
  // count; with error given, a failure is allowed and its diagnostic goes there.
  SQLLEN Exec(SQLHDBC dbc, const std::string& sql, std::vector<std::optional<std::string>> values = {},
              std::string* error = nullptr) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    std::vector<SQLLEN> lengths(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      lengths[i] = values[i] ? static_cast<SQLLEN>(values[i]->size()) : SQL_NULL_DATA;
      EXPECT_EQ(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50,
                                 0, values[i] ? values[i]->data() : nullptr, values[i] ? lengths[i] : 0, &lengths[i]),
                SQL_SUCCESS);
    }
    SQLLEN count = -2;
    const SQLRETURN rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
    if (error) {
      *error = rc == SQL_ERROR ? Diag(SQL_HANDLE_STMT, stmt) : "";
    } else {
      EXPECT_EQ(rc, SQL_SUCCESS) << sql << ": " << Diag(SQL_HANDLE_STMT, stmt);
    }
    if (rc == SQL_SUCCESS) SQLRowCount(stmt, &count);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return count;
  }
  void Autocommit(SQLHDBC dbc, SQLULEN on) {
    ASSERT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on), SQL_IS_UINTEGER),
              SQL_SUCCESS)
        << Diag(SQL_HANDLE_DBC, dbc);
  }
  void End(SQLHDBC dbc, SQLSMALLINT completion) {
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, completion), SQL_SUCCESS) << Diag(SQL_HANDLE_DBC, dbc);
  }
  std::string PythonCsv(const std::string& name) {
    return Python("import csv\n"
                  "with open('" + Path(name) + "', newline='', encoding='gbk') as f:\n"
                  "    for row in csv.reader(f): print('|'.join(row))\n");
  }
};

TEST_F(TransactionsTest, RolledBackUpdateLeavesTheCsvByteForByteAndACommitWritesOneRow) {
  const std::string original = Gbk("id,name,qty\r\n1,张三,10\r\n2,\"李四, 二\",20\r\n3,,30\r\n");
  WriteFile("t.csv", original);
  auto conn = Connect(TextConnectString(Path("t.csv")));
  const SQLHDBC dbc = Handle(*conn);
  SQLUSMALLINT capable = 0;
  ASSERT_EQ(SQLGetInfo(dbc, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr), SQL_SUCCESS);
  EXPECT_EQ(capable, SQL_TC_DML);
  // What the table window asks before it writes through parameters.
  EXPECT_TRUE(conn->GetDatabase()->HasFunction(SQL_API_SQLBINDPARAMETER));

  const std::string update = "UPDATE \"t.csv\" SET \"name\" = ? WHERE \"id\" = ? AND \"name\" = ?";
  Autocommit(dbc, SQL_AUTOCOMMIT_OFF);
  EXPECT_EQ(Exec(dbc, update, {"王五", "2", "李四, 二"}), 1);
  // Later statements of the transaction see its change before the file does.
  EXPECT_EQ(Exec(dbc, "UPDATE \"t.csv\" SET \"qty\" = \"qty\" + 1 WHERE \"name\" = ?", {"王五"}), 1);
  EXPECT_EQ(Exec(dbc, "DELETE FROM \"t.csv\" WHERE \"name\" IS NULL AND \"id\" = ?", {"3"}), 1);
  EXPECT_EQ(Query(*conn, "select id, name, qty from \"t.csv\" order by id"),
            (Table{{"1", Gbk("张三"), "10"}, {"2", Gbk("王五"), "21"}}));
  EXPECT_EQ(ReadFile("t.csv"), original);
  End(dbc, SQL_ROLLBACK);
  EXPECT_EQ(ReadFile("t.csv"), original);
  EXPECT_EQ(Query(*conn, "select count(*) from \"t.csv\" where name is null"), (Table{{"1"}}));

  // The same update again, committed: only that row differs.
  EXPECT_EQ(Exec(dbc, update, {"王五", "2", "李四, 二"}), 1);
  EXPECT_EQ(Exec(dbc, update, {"王五", "2", "李四, 二"}), 0);
  End(dbc, SQL_COMMIT);
  EXPECT_EQ(PythonCsv("t.csv"), "id|name|qty\n1|张三|10\n2|王五|20\n3||30\n");
  // Committed work is not undone by a later rollback.
  End(dbc, SQL_ROLLBACK);
  Autocommit(dbc, SQL_AUTOCOMMIT_ON);
  EXPECT_EQ(PythonCsv("t.csv"), "id|name|qty\n1|张三|10\n2|王五|20\n3||30\n");
}

// Rows added in a transaction can be changed before the commit; a statement
// that fails halfway keeps none of its own changes but those before it.
TEST_F(TransactionsTest, AddedRowsAndFailedStatementsInsideATransaction) {
  WriteFile("t.csv", "id,name\r\n1,a\r\n");
  auto conn = Connect(TextConnectString(Path("t.csv")));
  const SQLHDBC dbc = Handle(*conn);
  Autocommit(dbc, SQL_AUTOCOMMIT_OFF);
  EXPECT_EQ(Exec(dbc, "INSERT INTO \"t.csv\" VALUES (?, ?)", {"2", std::nullopt}), 1);
  EXPECT_EQ(Exec(dbc, "UPDATE \"t.csv\" SET \"name\" = ? WHERE \"name\" IS NULL", {"b"}), 1);
  std::string error;
  Exec(dbc, "INSERT INTO \"t.csv\" SELECT 7, 'x' UNION ALL SELECT abs(-9223372036854775807 - 1), 'y'", {}, &error);
  EXPECT_FALSE(error.empty());
  End(dbc, SQL_COMMIT);
  EXPECT_EQ(ReadFile("t.csv"), "id,name\r\n1,a\r\n2,b\r\n");

  // Creating or dropping a file is refused inside a transaction.
  Exec(dbc, "UPDATE \"t.csv\" SET \"name\" = 'c'");
  Exec(dbc, "DROP TABLE \"t.csv\"", {}, &error);
  EXPECT_EQ(error.substr(0, 5), "25000") << error;
  Exec(dbc, "CREATE TABLE \"n.csv\" (a int)", {}, &error);
  EXPECT_EQ(error.substr(0, 5), "25000") << error;
  End(dbc, SQL_ROLLBACK);
  EXPECT_TRUE(Exists("t.csv"));
  EXPECT_FALSE(Exists("n.csv"));
  EXPECT_EQ(ReadFile("t.csv"), "id,name\r\n1,a\r\n2,b\r\n");
}

// A dBase file rolled back keeps its bytes; file tables name no row id and no key.
TEST_F(TransactionsTest, DBaseRollbackAndNoRowIdentifiers) {
  WriteDbf("d.dbf", {{"name", 'C', 8}, {"n", 'N', CDbfWriter::NumericWidth(6, 0)}}, {{"a", "1"}, {"b", "2"}});
  const std::string original = ReadFile("d.dbf");
  auto conn = Connect(DBaseConnectString(Path("d.dbf")));
  const SQLHDBC dbc = Handle(*conn);
  Autocommit(dbc, SQL_AUTOCOMMIT_OFF);
  EXPECT_EQ(Exec(dbc, "UPDATE \"d\" SET \"n\" = ? WHERE \"name\" = ?", {"9", "b"}), 1);
  EXPECT_EQ(Exec(dbc, "DELETE FROM \"d\" WHERE \"name\" = ?", {"a"}), 1);
  End(dbc, SQL_ROLLBACK);
  EXPECT_EQ(ReadFile("d.dbf"), original);

  for (bool keys : {false, true}) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    const SQLRETURN rc = keys ? SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)"d", SQL_NTS)
                              : SQLSpecialColumns(stmt, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, (SQLCHAR*)"d", SQL_NTS,
                                                  SQL_SCOPE_SESSION, SQL_NO_NULLS);
    ASSERT_EQ(rc, SQL_SUCCESS) << Diag(SQL_HANDLE_STMT, stmt);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA) << (keys ? "keys" : "row id");
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }
}

}  // namespace
}  // namespace orva::filedriver::test
