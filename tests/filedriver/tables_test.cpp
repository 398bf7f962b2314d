// Text, dBase and Excel files read as tables through the connection strings
// ORVA builds for file databases.

#include <QSettings>
#include <map>

#include "db/catalog.h"
#include "db/connectstring.h"
#include "db/dbmskind.h"
#include "export/dbfwriter.h"
#include "filedriver_fixture.h"
#include "platform/codec.h"

namespace orva::filedriver::test {
namespace {

struct ColumnFacts {
  std::string name;
  int type;
  int size;
  bool operator==(const ColumnFacts&) const = default;
};

void PrintTo(const ColumnFacts& c, std::ostream* os) { *os << c.name << " " << c.type << "(" << c.size << ")"; }

std::vector<std::string> TableNames(CDBConnection& conn) {
  CTableCatalog tables(conn.GetDatabase());
  EXPECT_TRUE(tables.Open(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
  std::vector<std::string> names;
  while (!tables.IsEOF()) {
    EXPECT_EQ(tables.m_strTableType, "TABLE");
    names.push_back(Utf8FromGbk(tables.m_strTableName));
    tables.MoveNext();
  }
  return names;
}

std::vector<ColumnFacts> Columns(CDBConnection& conn, const std::string& table) {
  CColumnCatalog columns(conn.GetDatabase());
  EXPECT_TRUE(columns.Open(std::nullopt, std::nullopt, Gbk(table), std::nullopt));
  std::vector<ColumnFacts> out;
  while (!columns.IsEOF()) {
    out.push_back({Utf8FromGbk(columns.m_strColumnName), columns.m_nDataType, columns.m_nPrecision});
    columns.MoveNext();
  }
  return out;
}

class TablesTest : public FileDriverTest {};

// A folder with a tab-delimited GBK file described by schema.ini (no header,
// fixed types), a headerless CSV with guessed types and a UTF-8 CSV with a
// byte-order mark, quoted line breaks and delimiters.
TEST_F(TablesTest, TextFilesOfAFolderAreTables) {
  WriteFile("gbk.txt", Gbk("1\t张三\t12.5\t2024-01-02 03:04:05\r\n2\t李四\t\t2024-02-03 00:00:00\r\n"));
  WriteFile("plain.csv", "7,x\r\n8,y\r\n");
  // "|" is also the second byte of some GBK characters (亅 is 81 7C).
  WriteFile("pipe.txt", Gbk("亅|亅亅\r\n"));
  WriteFile("bom.csv", "\xEF\xBB\xBF" "编号,名称\r\n1,\"多行\n文本\"\r\n2,\"含,逗号\"\"引号\"\r\n");
  WriteFile("schema.ini", Gbk("[gbk.txt]\r\nColNameHeader=False\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n"
                              "CharacterSet=ANSI\r\nCol1=编号 Integer\r\nCol2=姓名 Char Width 20\r\nCol3=金额 Float\r\n"
                              "Col4=日期 Date\r\n[plain.csv]\r\nColNameHeader=False\r\nFormat=CSVDelimited\r\n"
                              "[pipe.txt]\r\nColNameHeader=False\r\nFormat=Delimited(|)\r\n"));
  auto conn = Connect(TextConnectString(Path("gbk.txt")));
  EXPECT_EQ(conn->GetKind(), DbmsText);
  EXPECT_FALSE(conn->HasDatabases());

  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"bom.csv", "gbk.txt", "pipe.txt", "plain.csv"}));
  EXPECT_EQ(Columns(*conn, "gbk.txt"),
            (std::vector<ColumnFacts>{{"编号", SQL_INTEGER, 10}, {"姓名", SQL_VARCHAR, 20},
                                      {"金额", SQL_FLOAT, 53}, {"日期", SQL_TIMESTAMP, 19}}));
  EXPECT_EQ(Columns(*conn, "plain.csv"),
            (std::vector<ColumnFacts>{{"F1", SQL_INTEGER, 10}, {"F2", SQL_VARCHAR, 255}}));
  EXPECT_EQ(Columns(*conn, "bom.csv"),
            (std::vector<ColumnFacts>{{"编号", SQL_INTEGER, 10}, {"名称", SQL_VARCHAR, 255}}));

  EXPECT_EQ(Query(*conn, "select * from \"gbk.txt\""),
            (Table{{"1", Gbk("张三"), "12.5", "2024-01-02 03:04:05"}, {"2", Gbk("李四"), "", "2024-02-03 00:00:00"}}));
  EXPECT_EQ(Query(*conn, "select F1 + 1, F2 from \"plain.csv\" order by F1 desc"), (Table{{"9", "y"}, {"8", "x"}}));
  EXPECT_EQ(Query(*conn, "select * from \"pipe.txt\""), (Table{{Gbk("亅"), Gbk("亅亅")}}));
  // A join across two files, with SQL over both.
  EXPECT_EQ(Query(*conn, "select g.姓名, b.名称, count(*) over () from \"gbk.txt\" g join [bom.csv] b on b.编号 = g.编号 "
                         "where g.编号 < 3 order by g.编号"),
            (Table{{Gbk("张三"), Gbk("多行\n文本"), "2"}, {Gbk("李四"), Gbk("含,逗号\"引号"), "2"}}));
  EXPECT_EQ(Query(*conn, "select sum(金额), max(日期) from \"gbk.txt\""), (Table{{"12.5", "2024-02-03 00:00:00"}}));
}

// schema.ini as Qt's settings files write it: section names of non-ASCII
// file names escaped, values with ";" quoted, keys sorted.
TEST_F(TablesTest, SchemaIniWrittenAsSettingsFileIsRead) {
  WriteFile("数据.txt", Gbk("编号;名称\r\n1;甲乙\r\n"));
  {
    QSettings ini(QString::fromStdString(Path("schema.ini")), QSettings::IniFormat);
    ini.beginGroup(QString::fromUtf8("数据.txt"));
    ini.setValue("ColNameHeader", "True");
    ini.setValue("Format", "Delimited(;)");
    ini.setValue("MaxScanRows", "25");
    ini.setValue("CharacterSet", "ANSI");
    ini.setValue("Col1", QString::fromUtf8("编号 Integer"));
    ini.setValue("Col2", QString::fromUtf8("名称 Char Width 20"));
    ini.endGroup();
  }
  ASSERT_EQ(ReadFile("schema.ini").find("数据"), std::string::npos) << "the section name is no longer escaped";
  auto conn = Connect(TextConnectString(Path("数据.txt")));
  EXPECT_EQ(Columns(*conn, "数据.txt"), (std::vector<ColumnFacts>{{"编号", SQL_INTEGER, 10}, {"名称", SQL_VARCHAR, 20}}));
  EXPECT_EQ(Query(*conn, "select 编号 + 1, 名称 from [数据.txt]"), (Table{{"2", Gbk("甲乙")}}));
}

// A dBase file written by ORVA's own writer.
TEST_F(TablesTest, DBaseFilesWrittenByOrvaAreTables) {
  WriteDbf("people.dbf",
           {{"name", 'C', 10}, {"age", 'N', CDbfWriter::NumericWidth(3, 0)},
            {"score", 'N', CDbfWriter::NumericWidth(7, 2)}, {"born", 'D', 8}},
           {{Gbk("张三"), "30", "88.5", "1990-01-02"}, {"Bob", "41", "-7.25", ""}, {"", "", "", ""}});
  WriteFile("notes.txt", "not a table of a dBase connection\r\n");

  auto conn = Connect(DBaseConnectString(Path("people.dbf")));
  EXPECT_EQ(conn->GetKind(), DbmsText);
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"people"}));
  EXPECT_EQ(Columns(*conn, "people"),
            (std::vector<ColumnFacts>{{"NAME", SQL_VARCHAR, 10}, {"AGE", SQL_DECIMAL, 3},
                                      {"SCORE", SQL_DECIMAL, 7}, {"BORN", SQL_DATE, 10}}));
  EXPECT_EQ(Query(*conn, "select name, age, score, born, name is null from people"),
            (Table{{Gbk("张三"), "30", "88.50", "1990-01-02", "0"},
                   {"Bob", "41", "-7.25", "", "0"},
                   {"", "0", "0.00", "", "1"}}));
  EXPECT_EQ(Query(*conn, "select count(*), avg(age) from people where born is null"), (Table{{"2", "20.5"}}));
}

// The sheets of a workbook, first row as names; changes are refused and the
// file stays as it was.
TEST_F(TablesTest, ExcelSheetsAreReadOnlyTables) {
  Python("import xlwt, datetime\n"
         "book = xlwt.Workbook(encoding='utf-8')\n"
         "staff = book.add_sheet('Staff')\n"
         "for c, v in enumerate(['id', '姓名', 'salary', 'hired']): staff.write(0, c, v)\n"
         "date = xlwt.easyxf(num_format_str='YYYY-MM-DD')\n"
         "for r, (i, n, s, d) in enumerate([(1, '王五', 1234.5, datetime.date(2020, 5, 6)),"
         "                                  (2, 'Ann', 99, datetime.date(2021, 1, 2))], 1):\n"
         "    staff.write(r, 0, i); staff.write(r, 1, n); staff.write(r, 2, s); staff.write(r, 3, d, date)\n"
         "depts = book.add_sheet('Depts')\n"
         "depts.write(0, 0, 'id'); depts.write(0, 1, 'dept')\n"
         "depts.write(1, 0, 1); depts.write(1, 1, '研发')\n"
         "book.save('" + Path("book.xls") + "')\n");
  const std::string before = ReadFile("book.xls");
  auto conn = Connect(ExcelConnectString(Path("book.xls")));
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"Depts", "Staff"}));
  EXPECT_EQ(Columns(*conn, "Staff"), (std::vector<ColumnFacts>{{"id", SQL_INTEGER, 10}, {"姓名", SQL_VARCHAR, 255},
                                                               {"salary", SQL_FLOAT, 53}, {"hired", SQL_DATE, 10}}));
  EXPECT_EQ(Query(*conn, "select s.姓名, s.salary, s.hired, d.dept from Staff s left join Depts d on d.id = s.id order by s.id"),
            (Table{{Gbk("王五"), "1234.5", "2020-05-06", Gbk("研发")}, {"Ann", "99", "2021-01-02", ""}}));
  for (const char* change : {"insert into Staff(id) values (3)", "update Staff set salary = 0", "delete from Depts",
                             "create table extra(a int)", "drop table Depts"})
    EXPECT_NE(ErrorOf(*conn, change).find("只读工作簿"), std::string::npos) << change;
  EXPECT_EQ(Query(*conn, "select count(*) from Staff"), (Table{{"2"}}));
  EXPECT_EQ(ReadFile("book.xls"), before);
}

// No procedures (the browser's folder then says so), no primary keys, no
// row identifiers.
TEST_F(TablesTest, FilesHoldNoProceduresOrKeys) {
  WriteFile("a.csv", "x\r\n1\r\n");
  auto conn = Connect(TextConnectString(Path("a.csv")));
  CProcedureCatalog procedures(conn->GetDatabase());
  EXPECT_FALSE(procedures.Open(std::nullopt, std::nullopt, std::nullopt));
  CPrimaryKeyCatalog keys(conn->GetDatabase());
  ASSERT_TRUE(keys.Open(std::nullopt, std::nullopt, std::string("a.csv")));
  EXPECT_TRUE(keys.IsEOF());
  EXPECT_TRUE(conn->GetDatabase()->HasFunction(SQL_API_SQLSPECIALCOLUMNS));
}

}  // namespace
}  // namespace orva::filedriver::test
