#include <gtest/gtest.h>
#include <sqlext.h>

#include "query/resultcolumns.h"

namespace orva {
namespace {

int Width(SQLSMALLINT type, std::uint32_t size, std::string name = "c") {
  ColumnInfo column;
  column.m_strName = std::move(name);
  column.m_nSQLType = type;
  column.m_nPrecision = size;
  return ResultColumnWidth(column);
}

TEST(ResultColumnWidth, SizeThenTypeThenName) {
  // Character columns: by size.
  EXPECT_EQ(Width(SQL_VARCHAR, 4), 40);
  EXPECT_EQ(Width(SQL_VARCHAR, 5), 40);
  EXPECT_EQ(Width(SQL_CHAR, 19), 152);
  EXPECT_EQ(Width(SQL_VARCHAR, 20), 160);
  EXPECT_EQ(Width(SQL_VARCHAR, 0x7FFFFFFF), 160);
  // Types override the size.
  for (int numeric : {SQL_NUMERIC, SQL_DECIMAL, SQL_INTEGER, SQL_SMALLINT, SQL_FLOAT, SQL_REAL, SQL_DOUBLE,
                              9, SQL_BIT, SQL_TINYINT, SQL_BIGINT})
    EXPECT_EQ(Width(static_cast<SQLSMALLINT>(numeric), 3), 80) << numeric;
  EXPECT_EQ(Width(10, 8), 150);
  EXPECT_EQ(Width(11, 19), 150);
  for (int longType : {SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY, SQL_LONGVARCHAR, SQL_WLONGVARCHAR})
    EXPECT_EQ(Width(static_cast<SQLSMALLINT>(longType), 100000), 60) << longType;
  // ODBC 3 date codes keep the size width.
  EXPECT_EQ(Width(SQL_TYPE_DATE, 10), 80);
  EXPECT_EQ(Width(SQL_TYPE_TIMESTAMP, 26), 160);
  // A long column name widens the column: 10 pixels per byte.
  EXPECT_EQ(Width(SQL_INTEGER, 10, std::string(20, 'n')), 200);
  EXPECT_EQ(Width(SQL_INTEGER, 10, "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0"), 100);
}

}  // namespace
}  // namespace orva
