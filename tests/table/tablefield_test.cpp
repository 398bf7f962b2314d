// Typed fields from text, the names fields get, and how INSERT statements
// write values.

#include <gtest/gtest.h>
#include <sqlext.h>

#include "db/dbconnection.h"
#include "db/tablerecordset.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "table/insertstatements.h"

namespace orva::test {
namespace {

TableField Field(FieldKind kind, std::string_view text) {
  TableField field;
  field.SetKind(kind);
  field.SetFromText(text);
  return field;
}

TEST(TableField, BooleansNumbersAndDatesFromText) {
  for (const std::string& no : {std::string("0"), std::string("false"), std::string("NO"), std::string(""),
                                GbkFromUtf8("否"), std::string(" False ")}) {
    TableField field = Field(kFieldBoolean, no);
    EXPECT_FALSE(field.m_bNull);
    EXPECT_FALSE(field.m_bool) << no;
  }
  for (const char* yes : {"1", "yes", "true", "x", "-1"}) EXPECT_TRUE(Field(kFieldBoolean, yes).m_bool) << yes;

  EXPECT_EQ(Field(kFieldInt32, "42abc").m_int, 42);
  EXPECT_EQ(Field(kFieldByte, "300").m_int, 44);  // an unsigned byte wraps
  EXPECT_DOUBLE_EQ(Field(kFieldDouble, "2.5e3").m_double, 2500.0);
  EXPECT_TRUE(Field(kFieldInt32, "").m_bNull);  // a number has no empty value
  EXPECT_FALSE(Field(kFieldText, "").m_bNull);  // a text has

  TableField when = Field(kFieldTimestamp, "2024-02-29 13:45:07");
  EXPECT_EQ(when.m_timestamp.year, 2024);
  EXPECT_EQ(when.m_timestamp.day, 29);
  EXPECT_EQ(when.m_timestamp.minute, 45);
  EXPECT_EQ(when.m_timestamp.second, 7);
  EXPECT_EQ(when.m_timestamp.fraction, 0u);
  TableField time = Field(kFieldTimestamp, "08:30");
  EXPECT_EQ(time.m_timestamp.hour, 8);
  EXPECT_EQ(time.m_timestamp.year, 0);
  EXPECT_TRUE(Field(kFieldTimestamp, "tomorrow").m_bNull);

  EXPECT_EQ(FieldKindForSqlType(SQL_BIGINT), kFieldText);
  EXPECT_EQ(FieldKindForSqlType(SQL_LONGVARBINARY), kFieldLong);
  EXPECT_EQ(FieldKindForSqlType(SQL_GUID), kFieldNone);
}

TEST(InsertStatements, ValuesRunAsGenerated) {
  EXPECT_EQ(RenderInsertValue(SQL_VARCHAR, std::string("O'Brien")), "'O''Brien'");
  EXPECT_EQ(RenderInsertValue(SQL_VARCHAR, std::string()), "''");
  EXPECT_EQ(RenderInsertValue(SQL_VARCHAR, std::nullopt), "NULL");
  EXPECT_EQ(RenderInsertValue(SQL_INTEGER, std::string()), "NULL");
  EXPECT_EQ(RenderInsertValue(SQL_DECIMAL, std::string("-3.25")), "-3.25");
  EXPECT_EQ(RenderInsertValue(SQL_DOUBLE, std::string("1e-3")), "1e-3");
  EXPECT_EQ(RenderInsertValue(SQL_DATE, std::string("2024-02-29")), "'2024-02-29'");
  // Something in a number column that is not a number cannot break out.
  EXPECT_EQ(RenderInsertValue(SQL_INTEGER, std::string("1); DROP TABLE t; --")), "'1); DROP TABLE t; --'");
  EXPECT_EQ(RenderInsertValue(SQL_GUID, std::string("a-b")), "'a-b'");
  EXPECT_EQ(BuildInsertStatement("t", {"a", "\"B\""}, {SQL_INTEGER, SQL_CHAR}, {std::string("1"), std::nullopt}),
            "INSERT INTO t(a, \"B\") VALUES (1, NULL);\r\n");
}

// Result columns named id, ID and Id become the fields ID, ID2 and ID3.
TEST(TableRecordset, FieldNamesAreUniqueInUpperCase) {
  RegisterTestDrivers();
  CDBConnection conn;
  ASSERT_TRUE(conn.Open(SqliteConnectString(NewSqliteFile())));
  CTableRecordset set(&conn);
  ASSERT_TRUE(set.OpenTable("SELECT 1 AS id, 2 AS \"ID\", 'x' AS \"Id\", 4 AS other"));
  set.ReadSnapshot();
  ASSERT_EQ(set.GetFieldCount(), 4);
  EXPECT_EQ(set.GetFieldName(0), "ID");
  EXPECT_EQ(set.GetFieldName(1), "ID2");
  EXPECT_EQ(set.GetFieldName(2), "ID3");
  EXPECT_EQ(set.GetFieldName(9), "");
  EXPECT_EQ(set.FindField("id3"), 2);
  EXPECT_EQ(set.FindField("missing"), -1);
  ASSERT_EQ(set.GetRecordCount(), 1);
  set.MoveFirst();
  std::string text;
  set.GetFieldText(2, text);
  EXPECT_EQ(text, "x");
  set.MoveNext();
  EXPECT_TRUE(set.IsEOF());
}

}  // namespace
}  // namespace orva::test
