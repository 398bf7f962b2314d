// INSERT, UPDATE, DELETE and CREATE TABLE rewrite the files; what they write
// is read back by independent readers.

#include <QProcess>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "db/connectstring.h"
#include "db/dbexception.h"
#include "export/dbfwriter.h"
#include "filedriver_fixture.h"
#include "platform/codec.h"

namespace orva::filedriver::test {
namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}
std::uint16_t U16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

class ChangesTest : public FileDriverTest {
 protected:
  // The rows of a CSV file as Python's csv module reads them, one line each,
  // fields joined by "|".
  std::string PythonCsv(const std::string& name, const char* encoding = "gbk") {
    return Python("import csv\n"
                  "with open('" + Path(name) + "', newline='', encoding='" + encoding + "') as f:\n"
                  "    for row in csv.reader(f): print('|'.join(row))\n");
  }
};

TEST_F(ChangesTest, CsvChangesAreWrittenAndReadBackByAnotherReader) {
  const std::string untouched = Gbk("2,\"李四, 二\",20\r\n");
  WriteFile("t.csv", Gbk("id,name,qty\r\n1,张三,10\r\n") + untouched + "3,c,30\r\n");
  auto conn = Connect(TextConnectString(Path("t.csv")));
  EXPECT_EQ(conn->Execute(Gbk("insert into \"t.csv\" values (4, '王五 \"引号\", 逗号', 40), (5, NULL, NULL)")), 2);
  EXPECT_EQ(conn->Execute(Gbk("update \"t.csv\" set qty = qty * 2, name = name || '!' where id in (1, 4)")), 2);
  EXPECT_EQ(conn->Execute("delete from \"t.csv\" where id = 3"), 1);
  EXPECT_EQ(PythonCsv("t.csv"), "id|name|qty\n1|张三!|20\n2|李四, 二|20\n4|王五 \"引号\", 逗号!|80\n5||\n");
  // Records no statement touched keep their bytes.
  EXPECT_NE(ReadFile("t.csv").find(untouched), std::string::npos);
  EXPECT_EQ(Query(*conn, "select count(*), sum(qty) from \"t.csv\""), (Table{{"4", "120"}}));
  // No temporary file is left behind.
  EXPECT_EQ(Python("import os\nprint(sorted(os.listdir('" + m_dir.path().toStdString() + "')))"), "['t.csv']\n");
}

// Dates in a file with DateTimeFormat read as ISO dates and are written back
// in the file's own form.
TEST_F(ChangesTest, DatesKeepTheFilesFormat) {
  WriteFile("d.txt", "id;day\r\n1;05.06.2004 07:08\r\n");
  WriteFile("schema.ini", "[d.txt]\r\nFormat=Delimited(;)\r\nDateTimeFormat=dd.mm.yyyy hh:nn\r\n"
                          "Col1=id Integer\r\nCol2=day Date\r\n");
  auto conn = Connect(TextConnectString(Path("d.txt")));
  conn->Execute("insert into \"d.txt\" select id + 1, datetime(day, '+1 day', '+1 hour') from \"d.txt\"");
  EXPECT_EQ(Query(*conn, "select id, day from \"d.txt\" where day >= '2004-06-06'"),
            (Table{{"2", "2004-06-06 08:08:00"}}));
  EXPECT_EQ(ReadFile("d.txt"), "id;day\r\n1;05.06.2004 07:08\r\n2;06.06.2004 08:08\r\n");
}

TEST_F(ChangesTest, FixedLengthRecordsKeepTheirWidths) {
  WriteFile("f.txt", "  1abc  \r\n 22de   \r\n");
  WriteFile("schema.ini", "[f.txt]\r\nFormat=FixedLength\r\nColNameHeader=False\r\n"
                          "Col1=id Integer Width 3\r\nCol2=name Char Width 5\r\n");
  auto conn = Connect(TextConnectString(Path("f.txt")));
  EXPECT_EQ(Query(*conn, "select id, name from \"f.txt\""), (Table{{"1", "abc"}, {"22", "de"}}));
  conn->Execute("update \"f.txt\" set name = 'xyz' where id = 22");
  conn->Execute("insert into \"f.txt\" values (333, 'vwxyz')");
  EXPECT_EQ(ReadFile("f.txt"), "  1abc  \r\n 22xyz  \r\n333vwxyz\r\n");
  // A value wider than its column changes nothing.
  EXPECT_NE(ErrorOf(*conn, "update \"f.txt\" set name = 'toolong' where id = 1").find("宽度 5"), std::string::npos);
  EXPECT_EQ(ReadFile("f.txt"), "  1abc  \r\n 22xyz  \r\n333vwxyz\r\n");
}

TEST_F(ChangesTest, DBaseChangesKeepTheLayoutAndMarkDeletedRecords) {
  WriteDbf("d.dbf", {{"name", 'C', 8}, {"n", 'N', CDbfWriter::NumericWidth(6, 1)}}, {{"a", "1.5"}, {"b", "1.5"}});
  const std::string before = ReadFile("d.dbf");
  auto conn = Connect(DBaseConnectString(Path("d.dbf")));
  EXPECT_EQ(conn->Execute(Gbk("insert into d values ('中文', 12.26)")), 1);
  EXPECT_EQ(conn->Execute("update d set n = -3 where name = 'b'"), 1);
  EXPECT_EQ(conn->Execute("delete from d where name = 'a'"), 1);
  EXPECT_EQ(Query(*conn, "select name, n from d"), (Table{{"b", "-3.0"}, {Gbk("中文"), "12.3"}}));

  const std::string after = ReadFile("d.dbf");
  const std::uint16_t headerLength = U16(before, 8), recordLength = U16(before, 10);
  EXPECT_EQ(U16(after, 8), headerLength);
  EXPECT_EQ(U16(after, 10), recordLength);
  EXPECT_EQ(U32(after, 4), 3u);
  EXPECT_EQ(after.substr(32, headerLength - 32), before.substr(32, headerLength - 32));  // descriptors unchanged
  ASSERT_GE(after.size(), headerLength + 3u * recordLength);
  auto record = [&](int i) { return after.substr(headerLength + static_cast<std::size_t>(i) * recordLength, recordLength); };
  EXPECT_EQ(record(0)[0], '*');
  EXPECT_EQ(record(0).substr(1), before.substr(headerLength + 1, recordLength - 1u));
  EXPECT_EQ(record(1), std::string(" b") + std::string(7, ' ') + "  -3.0");
  EXPECT_EQ(record(2), " " + Gbk("中文") + std::string(4, ' ') + "  12.3");
}

// CREATE TABLE makes the file (and, for text, its schema.ini section); DROP
// TABLE removes it.
TEST_F(ChangesTest, CreateTableMakesAFileAndDropRemovesIt) {
  WriteFile("schema.ini", "[other.csv]\r\nFormat=TabDelimited\r\n");
  auto text = Connect(TextConnectString(Path("x.csv")));
  text->Execute(Gbk("create table \"new.csv\" (id integer, 名称 varchar(30), amount decimal(8,2), day date)"));
  text->Execute(Gbk("insert into \"new.csv\" values (1, '甲', 2.5, '2024-03-04')"));
  EXPECT_EQ(Query(*text, "select * from \"new.csv\""), (Table{{"1", Gbk("甲"), "2.5", "2024-03-04 00:00:00"}}));
  EXPECT_EQ(Python("import csv\nprint(list(csv.reader(open('" + Path("new.csv") + "', newline='', encoding='gbk'))))"),
            "[['id', '名称', 'amount', 'day'], ['1', '甲', '2.5', '2024-03-04']]\n");
  const std::string ini = Utf8FromGbk(ReadFile("schema.ini"));
  EXPECT_NE(ini.find("[other.csv]\r\nFormat=TabDelimited\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[new.csv]\r\nColNameHeader=True\r\nFormat=CSVDelimited\r\nMaxScanRows=25\r\nCharacterSet=ANSI\r\n"
                     "Col1=id Integer\r\nCol2=名称 Char Width 30\r\nCol3=amount Float\r\nCol4=day Date\r\n"),
            std::string::npos)
      << ini;
  text->Execute("drop table \"new.csv\"");
  EXPECT_FALSE(Exists("new.csv"));
  EXPECT_EQ(Utf8FromGbk(ReadFile("schema.ini")).find("new.csv"), std::string::npos);

  auto dbase = Connect(DBaseConnectString(Path("x.dbf")));
  dbase->Execute("create table p (name char(10), n decimal(8,2), d date, ok bit)");
  const std::string header = ReadFile("p.dbf");
  ASSERT_EQ(header.size(), 32u + 4 * 32 + 1 + 1);
  EXPECT_EQ(header[0], 3);
  EXPECT_EQ(U32(header, 4), 0u);
  EXPECT_EQ(U16(header, 8), 32 + 4 * 32 + 1);
  EXPECT_EQ(U16(header, 10), 1 + 10 + 10 + 8 + 1);
  std::string types, widths;
  for (int i = 0; i < 4; ++i) {
    types += header[32 + 32 * static_cast<std::size_t>(i) + 11];
    widths += std::to_string(static_cast<int>(header[32 + 32 * static_cast<std::size_t>(i) + 16])) + "," +
              std::to_string(static_cast<int>(header[32 + 32 * static_cast<std::size_t>(i) + 17])) + " ";
  }
  EXPECT_EQ(types, "CNDL");
  EXPECT_EQ(widths, "10,0 10,2 8,0 1,0 ");
  dbase->Execute("insert into p values ('x', 1234.5, '2024-01-02', 1)");
  EXPECT_EQ(Query(*dbase, "select * from p"), (Table{{"x", "1234.50", "2024-01-02", "1"}}));
  dbase->Execute("drop table p");
  EXPECT_FALSE(Exists("p.dbf"));
}

// A crash after the new file is written but before it replaces the old one
// leaves the old one as it was.
TEST_F(ChangesTest, CrashBeforeTheRenameLeavesTheFileIntact) {
  const std::string original = "id,name\r\n1,a\r\n2,b\r\n";
  WriteFile("c.csv", original);
  const std::string connect = TextConnectString(Path("c.csv"));
  // Another process (unixODBC's isql on the tests' driver list) is stopped by
  // the driver between writing the new file and renaming it.
  QProcess isql;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVA_FILEDRIVER_CRASH_BEFORE_RENAME", "1");
  isql.setProcessEnvironment(env);
  isql.start("isql", {"-b", "-k", QString::fromStdString(connect)});
  ASSERT_TRUE(isql.waitForStarted());
  isql.write("update \"c.csv\" set name = 'changed'\n");
  isql.closeWriteChannel();
  ASSERT_TRUE(isql.waitForFinished(60000));
  EXPECT_EQ(isql.exitStatus(), QProcess::CrashExit) << isql.readAllStandardOutput().toStdString();
  EXPECT_EQ(ReadFile("c.csv"), original);
  // The half-done temporary file is no table, and the table reads as before.
  auto conn = Connect(connect);
  EXPECT_EQ(Query(*conn, "select name from \"c.csv\" order by id"), (Table{{"a"}, {"b"}}));
  conn->Execute("update \"c.csv\" set name = 'z' where id = 2");
  EXPECT_EQ(ReadFile("c.csv"), "id,name\r\n1,a\r\n2,z\r\n");
}

}  // namespace
}  // namespace orva::filedriver::test
