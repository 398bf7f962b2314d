// Every value family read as text through CRecordsetEx, on every database.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "db_fixture.h"
#include "db/valuetext.h"
#include "platform/profile.h"

namespace orva::test {
namespace {

using FieldTextTest = DatabaseTest;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

TEST_P(FieldTextTest, NumbersInTheDriversCharacterForm) {
  std::string t = CreateTable("s SMALLINT, i INTEGER, b BIGINT, d DECIMAL(5,2), f DOUBLE PRECISION, r REAL");
  m_conn->Execute("INSERT INTO " + t + " VALUES (-32768, 2147483647, 9223372036854775807, -123.45, 1.5, 0.25)");
  auto rows = ReadAll("SELECT s, i, b, d, f, r FROM " + t);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"-32768", "2147483647", "9223372036854775807", "-123.45", "1.5",
                                                "0.25"}));
}

TEST_P(FieldTextTest, ChineseTextRoundTripsToGbk) {
  std::string t = CreateTable("c CHAR(3), v VARCHAR(20)");
  const std::string chars = Gbk("中文字");
  const std::string mixed = Gbk("汉字 and ASCII");
  m_conn->Execute("INSERT INTO " + t + " VALUES ('" + chars + "', '" + mixed + "')");
  auto rows = ReadAll("SELECT c, v FROM " + t);
  ASSERT_EQ(rows.size(), 1u);
  // CHAR(3) holds three characters: six GBK bytes, none cut.
  EXPECT_EQ(rows[0][0], chars);
  EXPECT_EQ(rows[0][1], mixed);
  // Column names in Chinese come back in GBK too.
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT v AS " + Gbk("名称") + " FROM " + t, set), 1);
  EXPECT_EQ(set->GetColumnInfo(0).m_strName, Gbk("名称"));
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, OneMegabyteTextIsReadWhole) {
  std::string t = CreateTable("id INTEGER, body " + Db().longTextType);
  std::string big;
  const std::string piece = Gbk("长文本abc");
  while (big.size() < (1u << 20)) big += piece;
  m_conn->Execute("INSERT INTO " + t + " VALUES (1, '" + big + "')");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT body, id FROM " + t, set), 1);
  std::string text;
  set->GetFieldText(0, text);
  EXPECT_EQ(text.size(), big.size());
  EXPECT_TRUE(text == big);
  set->GetFieldText(1, text);
  EXPECT_EQ(text, "1");
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, NullAndEmptyStringAreBothEmpty) {
  std::string t = CreateTable("id INTEGER, v VARCHAR(10), ts " + Db().timestampType + ", n INTEGER");
  m_conn->Execute("INSERT INTO " + t + " VALUES (1, '', NULL, NULL)");
  m_conn->Execute("INSERT INTO " + t + " VALUES (2, NULL, NULL, 5)");
  auto rows = ReadAll("SELECT v, ts, n FROM " + t + " ORDER BY id");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"", "", "5"}));
}

TEST_P(FieldTextTest, DatesAndTimesInFixedFormsWithoutFractions) {
  std::string t = CreateTable("d DATE, tm TIME, ts " + Db().timestampType);
  m_conn->Execute("INSERT INTO " + t + " VALUES ('2024-02-29', '13:45:07', '2024-02-29 08:05:09.123456')");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT d, tm, ts FROM " + t, set), 1);
  // The ODBC 2 environment makes drivers report the type codes 9, 10 and 11.
  EXPECT_EQ(set->GetColumnInfo(0).m_nSQLType, SQL_DATE);
  EXPECT_EQ(set->GetColumnInfo(1).m_nSQLType, SQL_TIME);
  EXPECT_EQ(set->GetColumnInfo(2).m_nSQLType, SQL_TIMESTAMP);
  std::string text;
  set->GetFieldText(0, text);
  EXPECT_EQ(text, "2024-02-29");
  set->GetFieldText(1, text);
  EXPECT_EQ(text, "13:45:07");
  set->GetFieldText(2, text);
  EXPECT_EQ(text, "2024-02-29 08:05:09");
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, BinaryAsHexOfEveryByte) {
  std::string t = CreateTable("id INTEGER, b " + Db().binaryType + ", big " + Db().blobType);
  std::string bigHex;
  for (int i = 0; i < 100000; ++i) {
    static const char* digits = "0123456789abcdef";
    bigHex += digits[(i * 7) % 16];
    bigHex += digits[(i * 13 + 5) % 16];
  }
  auto literal = [&](const std::string& hex) { return Db().binaryLiteralPrefix + hex + Db().binaryLiteralSuffix; };
  m_conn->Execute("INSERT INTO " + t + " VALUES (1, " + literal("00ff10ab") + ", " + literal(bigHex) + ")");
  m_conn->Execute("INSERT INTO " + t + " VALUES (2, " + literal("") + ", NULL)");
  auto rows = ReadAll("SELECT b, big FROM " + t + " ORDER BY id");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Lower(rows[0][0]), "0x00ff10ab");
  EXPECT_EQ(rows[0][1].size(), bigHex.size() + 2);
  EXPECT_TRUE(Lower(rows[0][1]) == "0x" + bigHex);
  EXPECT_EQ(rows[1][0], "");  // an empty binary value stays empty
  EXPECT_EQ(rows[1][1], "");
}

TEST_P(FieldTextTest, ColumnIndexOutsideTheSetRaisesFieldNotFound) {
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT 1 AS a, 2 AS b", set), 1);
  EXPECT_EQ(set->GetColumnCount(), 2);
  std::string text;
  EXPECT_THROW(set->GetFieldText(2, text), CDBException);
  EXPECT_THROW(set->GetFieldText(-1, text), CDBException);
  EXPECT_THROW(set->GetColumnInfo(2), CDBException);
  set->GetFieldText(1, text);
  EXPECT_EQ(text, "2");
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, ColumnsAreDescribed) {
  std::string t = CreateTable("id INTEGER NOT NULL, name VARCHAR(40), amount DECIMAL(7,3)");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT id, name, amount FROM " + t, set), 1);
  ASSERT_EQ(set->GetColumnCount(), 3);
  EXPECT_TRUE(set->IsEOF());  // no rows
  EXPECT_TRUE(set->IsBOF());
  EXPECT_EQ(set->GetColumnInfo(0).m_strName, "id");
  EXPECT_EQ(set->GetColumnInfo(0).m_nSQLType, SQL_INTEGER);
  EXPECT_EQ(set->GetColumnInfo(1).m_strName, "name");
  EXPECT_EQ(set->GetColumnInfo(1).m_nSQLType, SQL_VARCHAR);
  EXPECT_EQ(set->GetColumnInfo(1).m_nPrecision, 40u);
  if (Db().family != "SQLite") {
    EXPECT_EQ(set->GetColumnInfo(2).m_nScale, 3);  // SQLite does not keep the scale
  }
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, RowsAreWalkedInOrderToTheEnd) {
  std::string t = CreateTable("id INTEGER");
  for (int i = 1; i <= 5; ++i) m_conn->Execute("INSERT INTO " + t + " VALUES (" + std::to_string(i) + ")");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT id FROM " + t + " ORDER BY id", set), 1);
  EXPECT_FALSE(set->IsBOF());
  std::string text, seen;
  while (!set->IsEOF()) {
    set->GetFieldText(0, text);
    seen += text;
    set->MoveNext();
  }
  EXPECT_EQ(seen, "12345");
  set->MoveNext();  // past the end stays at the end
  EXPECT_TRUE(set->IsEOF());
  CDBConnection::CloseResultSet(set);
}

TEST_P(FieldTextTest, ValuesLongerThanTheirDeclaredSizeAreNotCut) {
  if (Db().family != "SQLite") GTEST_SKIP() << Db().name << " enforces declared sizes";
  // SQLite keeps whatever is stored; the reported size is only a hint.
  std::string t = CreateTable("c CHAR(3), n DECIMAL(5,2)");
  std::string longText;
  for (int i = 0; i < 500; ++i) longText += Gbk("字");
  m_conn->Execute("INSERT INTO " + t + " VALUES ('" + longText + "', 123456789.125)");
  auto rows = ReadAll("SELECT c, n FROM " + t);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].size(), longText.size());
  EXPECT_TRUE(rows[0][0] == longText);
  EXPECT_EQ(rows[0][1], "123456789.125");
}

ORVA_INSTANTIATE_FOR_DATABASES(FieldTextTest);

TEST(ValueTextTest, FixedDateAndTimeForms) {
  SQL_TIMESTAMP_STRUCT value{};
  value.year = 99;
  value.month = 1;
  value.day = 5;
  value.hour = 7;
  value.minute = 0;
  value.second = 9;
  value.fraction = 999999999;
  std::string text;
  FormatTimestampText(ValueClass::Date, value, text);
  EXPECT_EQ(text, "0099-01-05");
  FormatTimestampText(ValueClass::Time, value, text);
  EXPECT_EQ(text, "07:00:09");
  FormatTimestampText(ValueClass::Timestamp, value, text);
  EXPECT_EQ(text, "0099-01-05 07:00:09");
}

TEST(ValueTextTest, TypeCodesChooseTheTextForm) {
  EXPECT_EQ(ClassifySqlType(SQL_DATE), ValueClass::Date);
  EXPECT_EQ(ClassifySqlType(SQL_TYPE_TIME), ValueClass::Time);
  EXPECT_EQ(ClassifySqlType(SQL_TIMESTAMP), ValueClass::Timestamp);
  EXPECT_EQ(ClassifySqlType(SQL_BINARY), ValueClass::Binary);
  EXPECT_EQ(ClassifySqlType(SQL_LONGVARBINARY), ValueClass::Binary);
  EXPECT_EQ(ClassifySqlType(SQL_LONGVARCHAR), ValueClass::Character);
  EXPECT_EQ(ClassifySqlType(SQL_DECIMAL), ValueClass::Character);
  std::string hex = "0x";
  AppendHex(hex, std::string_view("\x00\xff\x10", 3));
  EXPECT_EQ(hex, "0x00FF10");
}

// A driver that exchanges GBK: the texts are passed through unconverted, so
// they are stored as GBK bytes and read back the same.
TEST(DriverCharsetTest, GbkDriverCharsetPassesGbkThrough) {
  RegisterTestDrivers();
  if (!FindDriverLibrary("libsqlite3odbc.so")) GTEST_SKIP() << "SQLite3 ODBC driver not installed";
  const std::string connect = SqliteConnectString(NewSqliteFile());
  const std::string text = Gbk("中文");
  {
    WriteProfileText("Setting", "DriverCharset", "GBK");
    CDBConnection gbk;
    ASSERT_TRUE(gbk.Open(connect));
    gbk.Execute("CREATE TABLE t (v VARCHAR(10))");
    gbk.Execute("INSERT INTO t VALUES ('" + text + "')");
    EXPECT_EQ(ReadOneOn(gbk, "SELECT v FROM t"), text);
    EXPECT_EQ(ReadOneOn(gbk, "SELECT length(CAST(v AS BLOB)) FROM t"), "4");
  }
  {
    WriteProfileText("Setting", "DriverCharset", std::nullopt);
    CDBConnection utf8;
    ASSERT_TRUE(utf8.Open(connect));
    utf8.Execute("INSERT INTO t VALUES ('" + text + "')");
    // Stored as UTF-8: three bytes per character.
    EXPECT_EQ(ReadOneOn(utf8, "SELECT length(CAST(v AS BLOB)) FROM t WHERE rowid = 2"), "6");
    EXPECT_EQ(ReadOneOn(utf8, "SELECT v FROM t WHERE rowid = 2"), text);
  }
}

}  // namespace
}  // namespace orva::test
