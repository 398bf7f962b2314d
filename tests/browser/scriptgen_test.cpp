// The statements the object browser writes, checked as text.

#include <gtest/gtest.h>
#include <sqlext.h>

#include "browser/schemanode.h"
#include "browser/scriptgen.h"
#include "db/catalog.h"

namespace orva::browsertest {
namespace {

CatalogColumn Column(std::string name, int type, std::string typeName, int precision, int length, bool nullable,
                     std::optional<int> scale = std::nullopt) {
  CatalogColumn c;
  c.name = std::move(name);
  c.dataType = type;
  c.typeName = std::move(typeName);
  c.precision = precision;
  c.length = length;
  c.nullable = nullable;
  c.scale = scale;
  return c;
}

const IdentifierStyle kServer{"\"", SQL_IC_MIXED};
const IdentifierStyle kFolding{"\"", SQL_IC_LOWER};

TEST(CreateTableScript, WritesOneLinePerColumnWithSizesWhereTheTypeTakesThem) {
  EXPECT_EQ(CreateTableScript({Column("id", SQL_INTEGER, "int", 10, 4, false),
                               Column("name", SQL_VARCHAR, "varchar", 20, 20, true)},
                              "T", kServer),
            "CREATE TABLE T (\r\n\tid int NOT NULL,\r\n\tname varchar(20) NULL\r\n);");
  EXPECT_EQ(TypeSuffix(Column("n", SQL_NUMERIC, "numeric", 10, 12, true, 2)), "(10, 2)");
  EXPECT_EQ(TypeSuffix(Column("d", SQL_DECIMAL, "decimal", 7, 9, true)), "(7, 0)");
  // Wide types count characters: LENGTH is bytes and would double the column.
  EXPECT_EQ(TypeSuffix(Column("w", SQL_WVARCHAR, "nvarchar", 30, 60, true)), "(30)");
  EXPECT_EQ(TypeSuffix(Column("c", SQL_CHAR, "char", 0, 8, true)), "(8)");
  EXPECT_EQ(TypeSuffix(Column("i", SQL_INTEGER, "int", 10, 4, true)), "");
  EXPECT_EQ(TypeSuffix(Column("t", SQL_LONGVARCHAR, "text", 2147483647, 2147483647, true)), "");
  // A type name that already carries its size gets no second one.
  EXPECT_EQ(TypeSuffix(Column("v", SQL_VARCHAR, "varchar(20)", 20, 20, true)), "");
  // No columns (or no catalog): an empty column list between the brackets.
  EXPECT_EQ(CreateTableScript({}, "T", kServer), "CREATE TABLE T (\r\n\r\n);");
}

TEST(CreateTableScript, QuotesColumnNamesThatAreNotPlain) {
  const std::string script = CreateTableScript(
      {Column("OrderId", SQL_INTEGER, "int4", 10, 4, false), Column("order", SQL_INTEGER, "int4", 10, 4, true),
       Column("unit price", SQL_INTEGER, "int4", 10, 4, true)},
      "\"Orders\"", kFolding);
  EXPECT_EQ(script,
            "CREATE TABLE \"Orders\" (\r\n\t\"OrderId\" int4 NOT NULL,\r\n\t\"order\" int4 NULL,\r\n"
            "\t\"unit price\" int4 NULL\r\n);");
}

TEST(GeneratedStatements, NameObjectsAsTheServerNeedsThem) {
  const std::string details = ObjectReference({"", "", "Order Details"}, kServer);
  EXPECT_EQ(ShortSelect(NodeTable, details), "SELECT * FROM \"Order Details\"");
  EXPECT_EQ(ShortSelect(NodeView, "v"), "SELECT * FROM v");
  EXPECT_EQ(ShortSelect(NodeFunction, "f"), "SELECT * FROM f");
  EXPECT_EQ(ShortSelect(NodeProcedure, "p"), "p");
  EXPECT_EQ(FullSelect({}, "t", kServer), "SELECT * FROM t");
  EXPECT_EQ(FullSelect({Column("a", SQL_INTEGER, "int", 10, 4, true), Column("b c", SQL_INTEGER, "int", 10, 4, true)},
                       "t", kServer),
            "SELECT a, \"b c\" FROM t");

  EXPECT_EQ(DropStatement(NodeTable, QualifiedReference({"db", "", "t"}, kServer, true)), "DROP TABLE db..t");
  EXPECT_EQ(DropStatement(NodeTable, QualifiedReference({"db", "", "t"}, kServer, false)), "DROP TABLE t");
  EXPECT_EQ(DropStatement(NodeView, QualifiedReference({"my db", "", "v"}, kServer, true)),
            "DROP VIEW \"my db\"..v");
  EXPECT_EQ(DropStatement(NodeFunction, QualifiedReference({"", "Sales", "f"}, kFolding, false)),
            "DROP FUNCTION \"Sales\".f");
  EXPECT_EQ(DropStatement(NodeProcedure, "p"), "DROP PROCEDURE p");
  EXPECT_EQ(DropStatement(NodeDatabase, "db"), "DROP DATABASE db");
  EXPECT_EQ(DropStatement(NodeTableFolder, "x"), "");
  // A name cannot end the statement and start another.
  EXPECT_EQ(DropStatement(NodeTable, ObjectReference({"", "", "t\"; DROP TABLE u; --"}, kServer)),
            "DROP TABLE \"t\"\"; DROP TABLE u; --\"");
}

TEST(GeneratedStatements, CommandsAreOfferedByNodeKind) {
  EXPECT_TRUE(ObjectCommandEnabled(40025, NodeTable));
  EXPECT_TRUE(ObjectCommandEnabled(40025, NodeView));
  EXPECT_FALSE(ObjectCommandEnabled(40033, NodeProcedure));  // double-click still works there
  EXPECT_TRUE(ObjectCommandEnabled(40042, NodeTable));
  EXPECT_FALSE(ObjectCommandEnabled(40042, NodeView));
  for (int kind : {NodeDatabase, NodeTable, NodeView, NodeProcedure, NodeFunction}) {
    EXPECT_TRUE(ObjectCommandEnabled(40028, kind)) << kind;
    EXPECT_TRUE(ObjectCommandEnabled(40026, kind)) << kind;
    EXPECT_FALSE(ObjectCommandEnabled(40032, kind)) << kind;
  }
  for (int kind : {NodeConnection, NodeTableFolder, NodeFunctionFolder}) {
    EXPECT_TRUE(ObjectCommandEnabled(40032, kind)) << kind;
    EXPECT_FALSE(ObjectCommandEnabled(40028, kind)) << kind;
    EXPECT_FALSE(ObjectCommandEnabled(40025, kind)) << kind;
  }
  for (int id : {40025, 40026, 40028, 40032, 40033, 40034, 40042}) EXPECT_FALSE(ObjectCommandEnabled(id, NodeNone));
}

TEST(CatalogPattern, EscapesWildcardsAndTheEscapeItself) {
  EXPECT_EQ(EscapeSearchPattern("order_item", "\\"), "order\\_item");
  EXPECT_EQ(EscapeSearchPattern("100%\\x", "\\"), "100\\%\\\\x");
  EXPECT_EQ(EscapeSearchPattern("plain", "\\"), "plain");
}

}  // namespace
}  // namespace orva::browsertest
