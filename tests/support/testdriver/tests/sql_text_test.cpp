// How the driver reads statement text: batches, server commands, qualified
// names, search patterns and declared types.

#include <gtest/gtest.h>

#include "odbcengine/driver_types.h"
#include "odbcengine/sql_text.h"
#include "odbcengine/type_map.h"
#include "server_sql.h"

namespace orva::testdriver {
namespace {

using Texts = std::vector<std::string>;

TEST(SplitBatchTest, SplitsAtSemicolonsOutsideQuotesAndComments) {
  EXPECT_EQ(SplitBatch("select 1; select 2;"), (Texts{"select 1", " select 2"}));
  EXPECT_EQ(SplitBatch("select 'a;b'; select \"x;y\" from [t;u]"),
            (Texts{"select 'a;b'", " select \"x;y\" from [t;u]"}));
  EXPECT_EQ(SplitBatch("select 1 -- one; two\n; /* three; */ select 2"),
            (Texts{"select 1 -- one; two\n", " /* three; */ select 2"}));
  EXPECT_EQ(SplitBatch("select 'it''s; fine'"), (Texts{"select 'it''s; fine'"}));
  // Statements of space and comments only are dropped.
  EXPECT_EQ(SplitBatch(" ; \n;-- nothing\n"), Texts{});
  // An unterminated quote runs to the end instead of splitting.
  EXPECT_EQ(SplitBatch("select 'open; select 2"), (Texts{"select 'open; select 2"}));
}

TEST(SplitBatchTest, RoutinesTakeTheRestOfTheBatchAndTriggersTheirBody) {
  EXPECT_EQ(SplitBatch("create table t(x int); create procedure p as select 1; select 2"),
            (Texts{"create table t(x int)", "create procedure p as select 1; select 2"}));
  EXPECT_EQ(SplitBatch("CREATE OR ALTER FUNCTION f() returns int as begin return 1; end"),
            (Texts{"CREATE OR ALTER FUNCTION f() returns int as begin return 1; end"}));
  EXPECT_EQ(SplitBatch("create trigger tr after insert on t begin delete from t; end; select 1"),
            (Texts{"create trigger tr after insert on t begin delete from t; end", " select 1"}));
}

TEST(ClassifyTest, RecognisesTheServerCommands) {
  Command use = ClassifyStatement("  USE [my db]");
  EXPECT_EQ(use.kind, CommandKind::Use);
  EXPECT_EQ(use.object.name, "my db");
  Command help = ClassifyStatement("exec sp_helptext 'sales..p'");
  EXPECT_EQ(help.kind, CommandKind::HelpText);
  EXPECT_EQ(help.object.database, "sales");
  EXPECT_EQ(help.object.name, "p");
  Command owned = ClassifyStatement("sp_helptext dbo.v");
  EXPECT_EQ(owned.object.database, "");
  EXPECT_EQ(owned.object.name, "v");
  EXPECT_EQ(ClassifyStatement("create database x").kind, CommandKind::CreateDatabase);
  EXPECT_EQ(ClassifyStatement("drop database x").kind, CommandKind::DropDatabase);
  Command proc = ClassifyStatement("create proc db.dbo.p as select 1");
  EXPECT_EQ(proc.kind, CommandKind::CreateRoutine);
  EXPECT_EQ(proc.object.database, "db");
  EXPECT_EQ(proc.routineType, "P");
  EXPECT_EQ(ClassifyStatement("create function f() returns int as begin return 1 end").routineType, "FN");
  EXPECT_EQ(ClassifyStatement("create function f() returns table as return select 1").routineType, "IF");
  EXPECT_EQ(ClassifyStatement("create function f() returns @t table(a int) as begin return end").routineType, "TF");
  Command drop = ClassifyStatement("drop function db..f");
  EXPECT_EQ(drop.kind, CommandKind::DropRoutine);
  EXPECT_EQ(drop.routineType, "FN");
  // Everything else goes to SQLite, including words that only look alike.
  EXPECT_EQ(ClassifyStatement("select use from t").kind, CommandKind::Sql);
  EXPECT_EQ(ClassifyStatement("create table procedure(x int)").kind, CommandKind::Sql);
  EXPECT_EQ(ClassifyStatement("drop table t").kind, CommandKind::Sql);
  // A command without its name is a syntax error, not a crash.
  EXPECT_THROW(ClassifyStatement("use"), DriverError);
  EXPECT_THROW(ClassifyStatement("use a b"), DriverError);
  EXPECT_THROW(ClassifyStatement("sp_helptext a...b"), DriverError);
  EXPECT_THROW(ClassifyStatement("drop procedure"), DriverError);
}

TEST(RewriteTest, MapsDatabaseQualifiedNamesOnly) {
  auto map = [](const std::string& db, const std::string& object, std::string_view token) {
    return "<" + db + ":" + object + ":" + std::string(token) + ">";
  };
  EXPECT_EQ(RewriteQualifiedNames("select * from sales..orders o", map), "select * from <sales:orders:orders> o");
  EXPECT_EQ(RewriteQualifiedNames("select * from [my db].dbo.[t 1]", map), "select * from <my db:t 1:[t 1]>");
  EXPECT_EQ(RewriteQualifiedNames("select a.b, s.t.c, x.DBO.y from t", map), "select a.b, s.t.c, <x:y:y> from t");
  EXPECT_EQ(RewriteQualifiedNames("select 'a..b' -- c..d\n", map), "select 'a..b' -- c..d\n");
  // Part of a longer dotted name is not a database name.
  EXPECT_EQ(RewriteQualifiedNames("select w.x..y", map), "select w.x..y");
}

TEST(PatternTest, OdbcSearchPatterns) {
  EXPECT_TRUE(MatchesPattern("Customers", "cust%"));
  EXPECT_TRUE(MatchesPattern("abc", "a_c"));
  EXPECT_TRUE(MatchesPattern("abc", "%"));
  EXPECT_TRUE(MatchesPattern("a_c", "a\\_c"));
  EXPECT_FALSE(MatchesPattern("abc", "a\\_c"));
  EXPECT_TRUE(MatchesPattern("xaybzc", "%a%b%c"));
  EXPECT_FALSE(MatchesPattern("ab", "a_b"));
  EXPECT_TRUE(MatchesPattern("", "%"));
  EXPECT_FALSE(MatchesPattern("", "_"));
}

TEST(TypeMapTest, DeclaredTypesBecomeOdbcTypes) {
  auto describe = [](const char* declared) {
    ColumnInfo c;
    DescribeDeclaredType(declared, c);
    return c;
  };
  EXPECT_EQ(describe("INTEGER").type, SQL_INTEGER);
  EXPECT_EQ(describe("smallint").type, SQL_SMALLINT);
  EXPECT_EQ(describe("bigint").type, SQL_BIGINT);
  EXPECT_EQ(describe("bit").type, SQL_BIT);
  ColumnInfo dec = describe("decimal(5, 2)");
  EXPECT_EQ(dec.type, SQL_DECIMAL);
  EXPECT_EQ(dec.size, 5u);
  EXPECT_EQ(dec.scale, 2);
  EXPECT_EQ(describe("numeric").size, 18u);
  ColumnInfo text = describe("varchar(20)");
  EXPECT_EQ(text.type, SQL_VARCHAR);
  EXPECT_EQ(text.size, 20u);
  EXPECT_EQ(describe("nvarchar(20)").octetLength, 40);
  EXPECT_EQ(describe("nvarchar(max)").type, SQL_WLONGVARCHAR);
  EXPECT_EQ(describe("char(3)").type, SQL_CHAR);
  EXPECT_EQ(describe("text").type, SQL_LONGVARCHAR);
  EXPECT_EQ(describe("datetime").type, SQL_TYPE_TIMESTAMP);
  EXPECT_EQ(describe("date").type, SQL_TYPE_DATE);
  EXPECT_EQ(describe("time").type, SQL_TYPE_TIME);
  EXPECT_EQ(describe("binary(4)").type, SQL_BINARY);
  EXPECT_EQ(describe("blob").type, SQL_LONGVARBINARY);
  EXPECT_EQ(describe("float").type, SQL_FLOAT);
  EXPECT_EQ(describe("real").type, SQL_REAL);
  // Nonsense sizes fall back to defaults instead of overflowing.
  EXPECT_EQ(describe("varchar(-5)").size, 255u);
  EXPECT_EQ(describe("varchar(99999999999999999999)").size, 255u);
  EXPECT_EQ(describe("decimal(500,400)").size, 18u);
  EXPECT_EQ(describe("").type, SQL_VARCHAR);
  EXPECT_EQ(ReportedType(SQL_TYPE_DATE, SQL_OV_ODBC2), SQL_DATE);
  EXPECT_EQ(ReportedType(SQL_TYPE_DATE, SQL_OV_ODBC3), SQL_TYPE_DATE);
}

}  // namespace
}  // namespace orva::testdriver

namespace orva::testdriver {
namespace {

// Arbitrary text made of the characters the readers react to never makes
// them fail other than with a DriverError (and never read out of bounds).
TEST(ReaderRobustnessTest, ArbitraryTextIsHandled) {
  const std::string alphabet = "'\"[]`.;-/*\n\r\t use sp_helptext create procedure drop database a1 \xE4\xB8\xAD%_\\";
  unsigned seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  std::size_t statements = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const unsigned length = next() % 40;
    for (unsigned i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    for (const std::string& statement : SplitBatch(text)) {
      ++statements;
      try {
        ClassifyStatement(statement);
      } catch (const DriverError& e) {
        EXPECT_EQ(e.State(), "42000");
      }
      RewriteQualifiedNames(statement, [](const std::string&, const std::string&, std::string_view token) {
        return std::string(token);
      });
    }
    // Text without a dot has no qualified name and comes back unchanged.
    if (text.find('.') == std::string::npos) {
      EXPECT_EQ(RewriteQualifiedNames(text, [](const std::string&, const std::string&, std::string_view) {
                  return std::string("changed");
                }),
                text);
    }
    MatchesPattern(text, text);
    MatchesPattern(text.substr(0, text.size() / 2), text.substr(text.size() / 2));
  }
  EXPECT_GT(statements, 1000u);
}

}  // namespace
}  // namespace orva::testdriver

#include "connect_options.h"
#include "odbcengine/connect_string.h"

namespace orva::testdriver {
namespace {

TEST(ConnectionStringTest, PairsBracesAndBadPieces) {
  auto pairs = ParseConnectionString("DRIVER={ORVA Test};folder=/tmp/x ; Hide={SQLCancel,SQLProcedures};UID=sa");
  EXPECT_EQ(pairs["DRIVER"], "ORVA Test");
  EXPECT_EQ(pairs["FOLDER"], "/tmp/x ");
  EXPECT_EQ(pairs["HIDE"], "SQLCancel,SQLProcedures");
  EXPECT_EQ(pairs["UID"], "sa");
  // The first of repeated keys wins; pieces without "=" are skipped.
  pairs = ParseConnectionString("DBMS=Oracle;junk;DBMS=Other;=nokey;DATABASE={unclosed");
  EXPECT_EQ(pairs["DBMS"], "Oracle");
  EXPECT_EQ(pairs["DATABASE"], "unclosed");
  EXPECT_EQ(pairs.count(""), 0u);
  EXPECT_TRUE(ParseConnectionString("").empty());
  EXPECT_TRUE(ParseConnectionString(";;;").empty());

  ConnectOptions generic;
  ServerOptions options =
      ResolveOptions(ParseConnectionString("FOLDER= /data ;MULTRESULTS=n;HIDE=SQLCancel, SQLTables,"), generic);
  EXPECT_EQ(options.folder, "/data");
  EXPECT_FALSE(options.multipleResults);
  EXPECT_EQ(options.database, "master");
  EXPECT_EQ(options.dbms, "Microsoft SQL Server");
  EXPECT_EQ(generic.hidden, (std::set<SQLUSMALLINT>{SQL_API_SQLCANCEL, SQL_API_SQLTABLES}));
  EXPECT_THROW(ResolveOptions(ParseConnectionString("NOTOTAL=sometimes"), generic), DriverError);
  EXPECT_THROW(ResolveOptions(ParseConnectionString("HIDE=SQLEverything"), generic), DriverError);
}

}  // namespace
}  // namespace orva::testdriver
