// Catalog result sets on every database of the fixture list.

#include <gtest/gtest.h>

#include <set>

#include "db/catalog.h"
#include "db/odbcenv.h"
#include "db_fixture.h"
#include <map>

namespace orva::test {
namespace {

using CatalogTest = DatabaseTest;

std::set<std::string> TableNames(CDatabase* db, const char* type, std::string* seenType = nullptr) {
  std::set<std::string> names;
  CTableCatalog tables(db);
  EXPECT_TRUE(tables.Open(std::nullopt, std::nullopt, std::nullopt, type));
  EXPECT_EQ(tables.GetFieldCount(), 5);
  while (!tables.IsEOF()) {
    names.insert(tables.m_strTableName);
    if (seenType) *seenType = tables.m_strTableType;
    tables.MoveNext();
  }
  return names;
}

TEST_P(CatalogTest, TablesAndViewsByType) {
  std::string t = CreateTable("id INTEGER");
  std::string v = UniqueName("v");
  m_conn->Execute("CREATE VIEW " + v + " AS SELECT id FROM " + t);
  std::string tableType, viewType;
  std::set<std::string> tables = TableNames(m_conn->GetDatabase(), "TABLE", &tableType);
  std::set<std::string> views = TableNames(m_conn->GetDatabase(), "VIEW", &viewType);
  m_conn->Execute("DROP VIEW " + v);
  EXPECT_TRUE(tables.count(t));
  EXPECT_FALSE(tables.count(v));
  EXPECT_TRUE(views.count(v));
  EXPECT_FALSE(views.count(t));
  EXPECT_EQ(tableType, "TABLE");
  EXPECT_EQ(viewType, "VIEW");
}

TEST_P(CatalogTest, ColumnsWithTypesLengthsAndNullability) {
  std::string t = CreateTable("id INTEGER NOT NULL, name VARCHAR(40), amount DECIMAL(7,3)");
  CColumnCatalog columns(m_conn->GetDatabase());
  ASSERT_TRUE(columns.Open(std::nullopt, std::nullopt, t, std::nullopt));
  EXPECT_EQ(columns.GetFieldCount(), 12);
  struct Row {
    std::string name, typeName;
    int type, precision, scale, nullable;
    bool scaleNull;
  };
  std::vector<Row> rows;
  while (!columns.IsEOF()) {
    EXPECT_EQ(columns.m_strTableName, t);
    rows.push_back({columns.m_strColumnName, columns.m_strTypeName, columns.m_nDataType, columns.m_nPrecision,
                    columns.m_nScale, columns.m_nNullable, columns.IsFieldNull(CColumnCatalog::kScaleField)});
    columns.MoveNext();
  }
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "id");
  EXPECT_EQ(rows[0].type, SQL_INTEGER);
  EXPECT_EQ(rows[0].nullable, SQL_NO_NULLS);
  EXPECT_FALSE(rows[0].typeName.empty());
  EXPECT_EQ(rows[1].name, "name");
  EXPECT_EQ(rows[1].type, SQL_VARCHAR);
  EXPECT_EQ(rows[1].precision, 40);
  EXPECT_EQ(rows[1].nullable, SQL_NULLABLE);
  EXPECT_EQ(rows[2].name, "amount");
  if (Db().family == "SQLite") return;  // SQLite's catalog does not describe DECIMAL(p,s)
  EXPECT_TRUE(rows[2].type == SQL_DECIMAL || rows[2].type == SQL_NUMERIC) << rows[2].type;
  EXPECT_EQ(rows[2].precision, 7);
  EXPECT_EQ(rows[2].scale, 3);
  EXPECT_FALSE(rows[2].scaleNull);
}

TEST_P(CatalogTest, PrimaryKeysInKeyOrder) {
  std::string t = CreateTable("b INTEGER NOT NULL, a INTEGER NOT NULL, c INTEGER, PRIMARY KEY (a, b)");
  CPrimaryKeyCatalog keys(m_conn->GetDatabase());
  ASSERT_TRUE(keys.Open(std::nullopt, std::nullopt, t));
  EXPECT_EQ(keys.GetFieldCount(), 6);
  std::map<int, std::string> byOrder;
  while (!keys.IsEOF()) {
    EXPECT_EQ(keys.m_strTableName, t);
    byOrder[keys.m_nKeySeq] = keys.m_strColumnName;
    keys.MoveNext();
  }
  if (Db().family == "SQLite") {
    // SQLite numbers key columns in table order.
    EXPECT_EQ(byOrder, (std::map<int, std::string>{{1, "b"}, {2, "a"}}));
  } else {
    EXPECT_EQ(byOrder, (std::map<int, std::string>{{1, "a"}, {2, "b"}}));
  }
}

TEST_P(CatalogTest, ProceduresAreListedWhereTheDriverHasThem) {
  // Both drivers answer the procedure catalog: PostgreSQL's lists the
  // functions of the database; SQLite has no stored procedures and lists none.
  const bool server = Db().family == "PostgreSQL";
  std::string proc;
  if (server) {
    proc = UniqueName("p");
    m_conn->Execute("CREATE FUNCTION " + proc + "() RETURNS integer AS 'select 1' LANGUAGE sql");
  }
  CProcedureCatalog procedures(m_conn->GetDatabase());
  const bool opened = procedures.Open(std::nullopt, std::nullopt, std::nullopt);
  std::set<std::string> names;
  while (opened && !procedures.IsEOF()) {
    names.insert(procedures.m_strProcedureName);
    procedures.MoveNext();
  }
  EXPECT_TRUE(opened);
  if (server) {
    m_conn->Execute("DROP FUNCTION " + proc + "()");
    EXPECT_TRUE(names.count(proc)) << "procedure not listed";
  } else {
    EXPECT_TRUE(names.empty());
  }
}

TEST_P(CatalogTest, LongTextFieldsAreCutAt255BytesOnACharacterBoundary) {
  if (Db().family == "PostgreSQL")
    GTEST_SKIP() << "PostgreSQL names are at most 63 bytes and its driver reports no remarks";
  // An even-length ASCII start followed by double-byte characters: 255 bytes
  // would end inside a character, so the cut keeps 254.
  std::string t = UniqueName("t");
  if (t.size() % 2) t += "k";
  for (int i = 0; i < 200; ++i) t += Gbk("表");
  m_conn->Execute("CREATE TABLE " + t + " (id INTEGER)");
  m_tables.push_back(t);
  CTableCatalog tables(m_conn->GetDatabase());
  ASSERT_TRUE(tables.Open(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
  std::string found;
  for (; !tables.IsEOF(); tables.MoveNext())
    if (tables.m_strTableName.rfind(t.substr(0, 20), 0) == 0) found = tables.m_strTableName;
  EXPECT_EQ(found, t.substr(0, 254));
}

TEST_P(CatalogTest, ClosedLinkOpensNothingAndAllocatesNothing) {
  const long before = LiveStatementHandles();
  // A closed link: the catalog cannot ask the driver and reports false.
  CDatabase closed;
  CTableCatalog tables(&closed);
  EXPECT_FALSE(tables.Open(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(LiveStatementHandles(), before);
}

ORVA_INSTANTIATE_FOR_DATABASES(CatalogTest);

// No installed driver reports a size beyond 32 bits (they cap or wrap it
// themselves), so the values such a driver hands over are checked directly.
TEST(CatalogSizes, SizesBeyond32BitsReadAsTheLargest32BitSize) {
  EXPECT_EQ(CatalogInt32(4294967295LL), INT32_MAX);  // a long text column
  EXPECT_EQ(CatalogInt32(1LL << 40), INT32_MAX);
  EXPECT_EQ(CatalogInt32(INT32_MAX), INT32_MAX);
  EXPECT_EQ(CatalogInt32(41943040), 41943040);
  EXPECT_EQ(CatalogInt32(-4), -4);  // "unknown" as some drivers say it
  EXPECT_EQ(CatalogInt32(INT64_MIN), INT32_MIN);
}

}  // namespace
}  // namespace orva::test
