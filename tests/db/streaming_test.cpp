// Drivers that would hold a whole result in memory are asked to hand rows
// over as they are fetched.

#include <gtest/gtest.h>

#include <map>

#include "db_fixture.h"

namespace orva {
namespace {

std::string KeywordsWith(std::string_view library, std::map<std::string, std::string> settings) {
  return StreamingKeywords(library, [&](std::string_view key) {
    auto it = settings.find(std::string(key));
    return it == settings.end() ? std::string() : it->second;
  });
}

TEST(StreamingKeywordsTest, AddsEachDriversOwnKeywordUnlessTheConnectionChoseAlready) {
  EXPECT_EQ(KeywordsWith("libsqlite3odbc.so", {}), "StepAPI=1;");
  EXPECT_EQ(KeywordsWith("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc-0.99991.so", {}), "StepAPI=1;");
  EXPECT_EQ(KeywordsWith("libsqlite3odbc.so", {{"StepAPI", "0"}}), "");
  EXPECT_EQ(KeywordsWith("psqlodbcw.so", {}), "UseDeclareFetch=1;Fetch=10000;");
  EXPECT_EQ(KeywordsWith("/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so", {{"Fetch", "500"}}), "UseDeclareFetch=1;");
  EXPECT_EQ(KeywordsWith("psqlodbcw.so", {{"UseDeclareFetch", "0"}}), "");
  // Other drivers, the old SQLite 2 driver among them, are left alone.
  EXPECT_EQ(KeywordsWith("libsqliteodbc.so", {}), "");
  EXPECT_EQ(KeywordsWith("libmaodbc.so", {}), "");
  EXPECT_EQ(KeywordsWith("", {}), "");
}

TEST(StreamingKeywordsTest, DriverLibraryComesFromTheInstalledDriverOrThePath) {
  test::RegisterTestDrivers();
  EXPECT_TRUE(DriverLibraryOf("DRIVER={SQLite3};Database=/tmp/x.db;").ends_with("/libsqlite3odbc.so"));
  EXPECT_TRUE(DriverLibraryOf("driver={PostgreSQL Unicode};Servername=x").ends_with("/psqlodbcw.so"));
  // A data source leads to its driver's library.
  EXPECT_TRUE(DriverLibraryOf(std::string("DSN=") + test::kSqliteDsn + ";").ends_with("/libsqlite3odbc.so"));
  EXPECT_EQ(DriverLibraryOf("DRIVER=/opt/odbc/psqlodbca.so;"), "/opt/odbc/psqlodbca.so");
  EXPECT_EQ(DriverLibraryOf("DRIVER={No Such Driver};"), "");
  EXPECT_EQ(DriverLibraryOf("Database=/tmp/x.db;"), "");
}

class StreamingReadTest : public test::DatabaseTest {};

// The link the user gets reads a PostgreSQL SELECT through a cursor (the rows
// come in slices), which ends with the set; a connection string that says
// otherwise keeps the whole result read at once.
TEST_P(StreamingReadTest, PostgresSelectsReadThroughACursorUnlessTheStringSaysOtherwise) {
  if (Db().family != "PostgreSQL") GTEST_SKIP() << "PostgreSQL only";
  // (The count itself may run through a cursor: it does not count itself.)
  const std::string openCursors = "SELECT count(*) FROM pg_cursors WHERE statement NOT LIKE '%pg_cursors%'";
  for (const bool streaming : {true, false}) {
    CDBConnection conn;
    ASSERT_TRUE(conn.Open(m_connect + (streaming ? "" : "UseDeclareFetch=0;")));
    CRecordsetEx* set = nullptr;
    ASSERT_EQ(conn.OpenResultSet("SELECT x FROM generate_series(1, 50000) AS x", set), 1);
    std::string text;
    for (int i = 1; i <= 3; ++i, set->MoveNext()) {
      set->GetFieldText(0, text);
      EXPECT_EQ(text, std::to_string(i));
    }
    EXPECT_EQ(test::ReadOneOn(conn, openCursors), streaming ? "1" : "0");
    CDBConnection::CloseResultSet(set);
    EXPECT_EQ(test::ReadOneOn(conn, openCursors), "0");
    // A text of two statements still gives both results.
    ASSERT_EQ(conn.OpenResultSet("SELECT 1 AS a; SELECT 2 AS b", set), 1);
    set->GetFieldText(0, text);
    EXPECT_EQ(text, "1");
    set->MoveNext();
    EXPECT_TRUE(set->IsEOF());
    ASSERT_TRUE(set->NextResult());
    set->DescribeColumns();
    set->MoveNext();
    set->GetFieldText(0, text);
    EXPECT_EQ(text, "2");
    EXPECT_EQ(set->GetColumnInfo(0).m_strName, "b");
    CDBConnection::CloseResultSet(set);
  }
}

ORVA_INSTANTIATE_FOR_DATABASES(StreamingReadTest);

}  // namespace
}  // namespace orva
