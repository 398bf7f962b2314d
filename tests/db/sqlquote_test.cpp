// Names and literals that ORVA writes into SQL: every awkward name, quoted by
// the connection's own style, must run on the real databases and mean itself.

#include <sqlext.h>

#include "db/sqlquote.h"
#include "db_fixture.h"

namespace orva::test {
namespace {

TEST(SqlQuoteTest, PlainNamesStayAsTheyAreOthersAreQuotedWithQuotesDoubled) {
  IdentifierStyle style{"\"", SQL_IC_MIXED};
  EXPECT_EQ(QuoteIdentifier("order_item", style), "order_item");
  EXPECT_EQ(QuoteIdentifier("my db", style), "\"my db\"");
  EXPECT_EQ(QuoteIdentifier("a-b", style), "\"a-b\"");
  EXPECT_EQ(QuoteIdentifier("select", style), "\"select\"");
  EXPECT_EQ(QuoteIdentifier("9lives", style), "\"9lives\"");
  EXPECT_EQ(QuoteIdentifier("x\"; DROP TABLE t; --", style), "\"x\"\"; DROP TABLE t; --\"");
  EXPECT_EQ(QuoteIdentifier(GbkFromUtf8("名字"), style), "\"" + GbkFromUtf8("名字") + "\"");
  // Letter case matters only where the driver folds unquoted names.
  EXPECT_EQ(QuoteIdentifier("OrderId", style), "OrderId");
  EXPECT_EQ(QuoteIdentifier("OrderId", IdentifierStyle{"\"", SQL_IC_LOWER}), "\"OrderId\"");
  EXPECT_EQ(QuoteIdentifier("orderid", IdentifierStyle{"\"", SQL_IC_UPPER}), "\"orderid\"");
  EXPECT_EQ(QuoteIdentifier("a b", IdentifierStyle{"`", SQL_IC_MIXED}), "`a b`");
  EXPECT_EQ(QuoteQualifiedName("Sales", "t 1", IdentifierStyle{"\"", SQL_IC_LOWER}), "\"Sales\".\"t 1\"");
  EXPECT_EQ(QuoteQualifiedName("", "t", style), "t");
  EXPECT_EQ(QuoteLiteral("O'Brien"), "'O''Brien'");
  EXPECT_EQ(QuoteLiteral(""), "''");
}

class SqlQuoteOnDatabaseTest : public DatabaseTest {};

TEST_P(SqlQuoteOnDatabaseTest, AwkwardNamesQuotedByTheConnectionRunAsGenerated) {
  const IdentifierStyle& style = m_conn->GetIdentifierStyle();
  const std::string table = QuoteIdentifier(UniqueName("Mixed Case t"), style);
  const std::string columns[] = {"select", "Mixed Col", "a\"b", "id"};
  std::string list, names;
  for (const std::string& c : columns) {
    list += (list.empty() ? "" : ", ") + QuoteIdentifier(c, style) + " VARCHAR(20)";
    names += (names.empty() ? "" : ", ") + QuoteIdentifier(c, style);
  }
  m_conn->Execute("CREATE TABLE " + table + " (" + list + ")");
  m_tables.push_back(table);
  m_conn->Execute("INSERT INTO " + table + " (" + names + ") VALUES (" + QuoteLiteral("O'Brien") + ", 'b', 'c', 'd')");
  auto rows = ReadAll("SELECT " + names + " FROM " + table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"O'Brien", "b", "c", "d"}));
}

ORVA_INSTANTIATE_FOR_DATABASES(SqlQuoteOnDatabaseTest);

}  // namespace
}  // namespace orva::test
