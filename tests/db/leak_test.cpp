// Opening and closing many result sets and connections leaks neither ODBC
// handles nor memory.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "db/odbcenv.h"
#include "db_fixture.h"

namespace orva::test {
namespace {

using LeakTest = DatabaseTest;

// Resident memory of the process in kilobytes.
long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

constexpr int kIterations = 10000;
// Growth allowed over the loop after a warm-up: far below what one leaked
// handle, statement buffer or connection per iteration would cost. Under a
// sanitizer freed memory waits in a quarantine (scripts/sanitize.sh limits it
// to 64 MB) and shadow memory grows with it, so the resident size says little;
// the sanitizer's own leak check takes over.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long kAllowedGrowthKb = 160 * 1024;
#else
constexpr long kAllowedGrowthKb = 4096;
#endif

TEST_P(LeakTest, TenThousandResultSetsLeaveNoHandlesOrMemory) {
  std::string t = CreateTable("id INTEGER, name VARCHAR(20)");
  m_conn->Execute("INSERT INTO " + t + " VALUES (1, 'abc')");
  auto cycle = [&](int i) {
    CRecordsetEx* set = nullptr;
    ASSERT_EQ(m_conn->OpenResultSet("SELECT id, name FROM " + t, set), 1);
    std::string text;
    set->GetFieldText(1, text);
    CDBConnection::CloseResultSet(set);
    // Every tenth round fails, so the error path is exercised too.
    if (i % 10 == 0) {
      EXPECT_THROW(m_conn->OpenResultSet("SELECT nope FROM " + t, set), CDBException);
    }
  };
  for (int i = 0; i < 200; ++i) cycle(i);  // warm-up: caches and pools settle
  const long statements = LiveStatementHandles();
  const long before = ResidentKb();
  for (int i = 0; i < kIterations; ++i) cycle(i);
  EXPECT_EQ(LiveStatementHandles(), statements);
  EXPECT_LT(ResidentKb() - before, kAllowedGrowthKb);
}

TEST_P(LeakTest, ManyConnectionsLeaveNoHandlesOrMemory) {
  // Server connections cost a server process each, so fewer rounds suffice
  // there; a leak still shows as handles left behind.
  const int rounds = Db().family == "SQLite" ? kIterations : 1000;
  auto cycle = [&] {
    CDBConnection conn;
    ASSERT_TRUE(conn.Open(m_connect));
    CRecordsetEx* set = nullptr;
    ASSERT_EQ(conn.OpenResultSet("SELECT 1", set), 1);
    CDBConnection::CloseResultSet(set);
  };
  for (int i = 0; i < 50; ++i) cycle();
  const long connections = LiveConnectionHandles();
  const long statements = LiveStatementHandles();
  const long before = ResidentKb();
  for (int i = 0; i < rounds; ++i) cycle();
  EXPECT_EQ(LiveConnectionHandles(), connections);
  EXPECT_EQ(LiveStatementHandles(), statements);
  EXPECT_LT(ResidentKb() - before, kAllowedGrowthKb);
}

ORVA_INSTANTIATE_FOR_DATABASES(LeakTest);

}  // namespace
}  // namespace orva::test
