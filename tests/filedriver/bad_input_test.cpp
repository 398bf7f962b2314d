// Bad files give a driver error that names the file and the line (or
// record), and leave every file as it was.

#include <QDir>
#include <fstream>
#include <unistd.h>
#include <map>
#include <sql.h>
#include <sqlext.h>

#include "db/connectstring.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "export/dbfwriter.h"
#include "filedriver_fixture.h"
#include "platform/codec.h"
#include "test_env.h"

namespace orva::filedriver::test {
namespace {

class BadInputTest : public FileDriverTest {
 protected:
  // Every file of the folder with its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
      files[name.toStdString()] = ReadFile(name.toStdString());
    return files;
  }
  void ExpectError(CDBConnection& conn, const std::string& sql, std::initializer_list<std::string> parts) {
    const std::string error = ErrorOf(conn, sql);
    for (const std::string& part : parts) EXPECT_NE(error.find(part), std::string::npos) << sql << ": " << error;
  }
};

TEST_F(BadInputTest, TextFilesNameTheFileAndLine) {
  WriteFile("short.csv", "a,b,c\r\n1,2\r\n3\r\n");
  WriteFile("long.csv", "a,b\r\n1,2\r\n3,4,5\r\n6,7\r\n");
  WriteFile("quote.csv", "a,b\r\n1,\"ok\"\r\n2,\"open\r\n3,4\r\n");
  WriteFile("bytes.csv", "a\r\nok\r\n\x81\x20\r\n");  // 0x81 starts a GBK character that 0x20 cannot end
  WriteFile("utf8.csv", "a\r\nok\r\n\xC3\x28\r\n");
  WriteFile("types.csv", "a\r\n1\r\n");
  WriteFile("schema.ini", "[utf8.csv]\r\nCharacterSet=UTF-8\r\n[types.csv]\r\nColNameHeader=True\r\nCol1=a Blob\r\n"
                          "[gone.csv]\r\nFormat=CSVDelimited\r\n");
  const auto before = Snapshot();
  auto conn = Connect(TextConnectString(Path("short.csv")));
  // Short rows are padded with NULL.
  EXPECT_EQ(Query(*conn, "select a, ifnull(b, 'null'), ifnull(c, 'null') from \"short.csv\""),
            (Table{{"1", "2", "null"}, {"3", "null", "null"}}));
  ExpectError(*conn, "select * from \"long.csv\"", {"long.csv", "第 3 行", "3 个字段"});
  ExpectError(*conn, "select count(*) from \"quote.csv\"", {"quote.csv", "第 3 行", "引号未闭合"});
  ExpectError(*conn, "select * from \"bytes.csv\"", {"bytes.csv", "第 3 行", "GBK"});
  ExpectError(*conn, "select * from \"utf8.csv\"", {"utf8.csv", "第 3 行", "UTF-8"});
  ExpectError(*conn, "select * from \"types.csv\"", {"schema.ini", "第 5 行", "Blob"});
  // A change of a bad file is refused before anything is written.
  ExpectError(*conn, "delete from \"long.csv\" where a = 6", {"long.csv", "第 3 行"});
  ExpectError(*conn, "update \"bytes.csv\" set a = 'x'", {"bytes.csv", "第 3 行"});
  // A value the file's character set cannot hold changes nothing either.
  ExpectError(*conn, "insert into \"short.csv\"(a) values ('€ and 😀')", {"short.csv", "GBK"});
  EXPECT_EQ(Snapshot(), before);
}

// A schema.ini section for a file that is not there is reported when
// connecting, which still succeeds.
TEST_F(BadInputTest, SchemaSectionOfAMissingFileIsAWarning) {
  WriteFile("a.csv", "x\r\n1\r\n");
  WriteFile("schema.ini", "; notes\r\n[gone.csv]\r\nFormat=CSVDelimited\r\n");
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
  const std::string connect = TextConnectString(Path("a.csv"));
  EXPECT_EQ(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS_WITH_INFO);
  SQLCHAR state[6] = "", message[512] = "";
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  ASSERT_EQ(SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, &native, message, sizeof message, &length), SQL_SUCCESS);
  const std::string text = reinterpret_cast<char*>(message);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(state)), "01000");
  EXPECT_NE(text.find("schema.ini"), std::string::npos) << text;
  EXPECT_NE(text.find("第 2 行"), std::string::npos) << text;
  EXPECT_NE(text.find("gone.csv"), std::string::npos) << text;
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
}

TEST_F(BadInputTest, DamagedDBaseFilesAreRefused) {
  WriteDbf("good.dbf", {{"name", 'C', 5}}, {{"a"}, {"b"}, {"c"}});
  const std::string good = ReadFile("good.dbf");
  WriteFile("cut.dbf", good.substr(0, good.size() - 4));  // the last record is incomplete
  std::string wrongLength = good;
  wrongLength[10] = 9;  // record length no longer the sum of the field widths
  WriteFile("layout.dbf", wrongLength);
  std::string tooMany = good;
  tooMany[4] = 100;  // claims 100 records
  WriteFile("count.dbf", tooMany);
  WriteFile("tiny.dbf", "\x03\x01");
  const auto before = Snapshot();
  auto conn = Connect(DBaseConnectString(Path("good.dbf")));
  EXPECT_EQ(Query(*conn, "select name from good"), (Table{{"a"}, {"b"}, {"c"}}));
  ExpectError(*conn, "select * from cut", {"cut.dbf", "文件大小"});
  ExpectError(*conn, "select * from layout", {"layout.dbf", "记录长度"});
  ExpectError(*conn, "select * from count", {"count.dbf", "100 条记录"});
  ExpectError(*conn, "select * from tiny", {"tiny.dbf"});
  ExpectError(*conn, "insert into cut values ('x')", {"cut.dbf"});
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(BadInputTest, CorruptWorkbookIsRefusedAtConnect) {
  WriteFile("bad.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'));
  const auto before = Snapshot();
  orva::test::MessageBoxRecorder boxes;
  CDBConnection conn;
  EXPECT_FALSE(conn.Open(ExcelConnectString(Path("bad.xls"))));
  ASSERT_EQ(boxes.Count(), 1u);
  const std::string text = boxes.LastText().toStdString();
  EXPECT_NE(text.find("bad.xls"), std::string::npos) << text;
  EXPECT_NE(text.find("工作簿"), std::string::npos) << text;
  EXPECT_EQ(Snapshot(), before);
}

// Files of several gigabytes (sparse here) are read as far as a query needs;
// one without line ends is refused instead of being held in memory.
TEST_F(BadInputTest, HugeFilesAreStreamed) {
  WriteDbf("huge.dbf", {{"name", 'C', 60}, {"n", 'N', CDbfWriter::NumericWidth(39, 0)}}, {});
  std::string header = ReadFile("huge.dbf");
  const std::uint32_t records = 40000000;  // of 100 bytes: 4 GB
  for (int i = 0; i < 4; ++i) header[4 + static_cast<std::size_t>(i)] = static_cast<char>((records >> (8 * i)) & 0xFF);
  WriteFile("huge.dbf", header);
  ASSERT_EQ(truncate(Path("huge.dbf").c_str(), static_cast<off_t>(header.size()) + off_t{records} * 100), 0);
  WriteFile("huge.csv", "");
  ASSERT_EQ(truncate(Path("huge.csv").c_str(), off_t{3} << 30), 0);  // 3 GB without a line end
  auto dbase = Connect(DBaseConnectString(Path("huge.dbf")));
  EXPECT_EQ(Query(*dbase, "select ifnull(name, 'none'), ifnull(n, 'none') from huge limit 2"),
            (Table{{"none", "none"}, {"none", "none"}}));
  auto text = Connect(TextConnectString(Path("huge.csv")));
  ExpectError(*text, "select * from \"huge.csv\"", {"huge.csv", "第 1 行", "64 MB"});
}

// A file that grows while a query reads it: the query stops with an error
// instead of mixing old and new contents.
TEST_F(BadInputTest, FileChangedWhileReadStopsTheQuery) {
  std::string csv = "id,text\r\n";
  for (int i = 0; i < 100000; ++i) csv += std::to_string(i) + ",some text to make the file larger than one buffer\r\n";
  WriteFile("big.csv", csv);
  auto conn = Connect(TextConnectString(Path("big.csv")));
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(conn->OpenResultSet("select id from \"big.csv\"", set), 1);
  {
    std::ofstream append(Path("big.csv"), std::ios::binary | std::ios::app);
    append << "100000,appended\r\n";
  }
  std::string error;
  long rows = 0;
  try {
    while (!set->IsEOF()) {
      ++rows;
      set->MoveNext();
    }
  } catch (const CDBException& e) {
    error = Utf8FromGbk(e.ErrorText());
  }
  CDBConnection::CloseResultSet(set);
  EXPECT_LT(rows, 100000);
  EXPECT_NE(error.find("big.csv"), std::string::npos) << error;
  EXPECT_NE(error.find("在读取过程中被修改"), std::string::npos) << error;
}

}  // namespace
}  // namespace orva::filedriver::test
