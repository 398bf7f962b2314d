#include "benchtable.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/messagebox.h"

namespace orva::bench {


double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}


namespace {
const char* kColumns =
    "id INTEGER, qty INTEGER, price DECIMAL(12,2), ratio DOUBLE PRECISION, code VARCHAR(16), "
    "name VARCHAR(40), note VARCHAR(300), created DATE, updated TIMESTAMP, flag SMALLINT";

}  // namespace

std::string SqliteFill(long rows) {
  return "INSERT INTO bench SELECT x, x % 977, (x % 100000) / 100.0, x / 7.0, 'C' || (x % 10000), "
         "'" + GbkFromUtf8("名称") + "' || x, substr(replace(hex(zeroblob(150)), '00', 'ab'), 1, 100 + x % 200), "
         "date('2020-01-01', '+' || (x % 2000) || ' days'), datetime('2020-01-01 08:00:00', '+' || x || ' seconds'), "
         "x % 2 FROM (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
         std::to_string(rows) + ") SELECT x FROM c)";
}

std::string PostgresFill(long rows) {
  return "INSERT INTO bench SELECT x, x % 977, (x % 100000) / 100.0, x / 7.0, 'C' || (x % 10000), "
         "'" + GbkFromUtf8("名称") + "' || x, substr(repeat('ab', 150), 1, 100 + x % 200), "
         "date '2020-01-01' + (x % 2000), timestamp '2020-01-01 08:00:00' + x * interval '1 second', "
         "x % 2 FROM generate_series(1, " + std::to_string(rows) + ") AS x";
}

namespace {
long CountRows(CDBConnection& conn) {
  CRecordsetEx* set = nullptr;
  long count = -1;
  try {
    if (conn.OpenResultSet("SELECT count(*) FROM bench", set) == 1) {
      std::string text;
      set->GetFieldText(0, text);
      count = std::atol(text.c_str());
    }
  } catch (const CDBException&) {
  }
  CDBConnection::CloseResultSet(set);
  return count;
}

}  // namespace

bool PrepareTable(CDBConnection& conn, long rows, const std::string& fill) {
  if (CountRows(conn) == rows) return true;
  std::printf("  creating the %ld-row table...\n", rows);
  std::fflush(stdout);
  try {
    try {
      conn.Execute("DROP TABLE bench");
    } catch (const CDBException&) {
    }
    conn.Execute(std::string("CREATE TABLE bench (") + kColumns + ")");
    conn.Execute(fill);
  } catch (const CDBException& error) {
    std::fprintf(stderr, "  cannot create the table: %s\n", error.what());
    return false;
  }
  return CountRows(conn) == rows;
}

void TimeIsql(const std::string& connect, const std::string& sql, Timing& timing) {
  const std::string script = "echo \"" + sql + "\" | isql -k \"" + connect + "\" -b -e -d'|' > /dev/null";
  const double cpu = CpuSeconds(RUSAGE_CHILDREN);
  Clock::time_point start = Clock::now();
  int rc = std::system(script.c_str());
  timing.Keep(Seconds(start), CpuSeconds(RUSAGE_CHILDREN) - cpu);
  if (rc != 0) std::fprintf(stderr, "  isql returned %d\n", rc);
}

size_t ReadAllAsText(CDBConnection& conn, const std::string& sql, long& rowsRead) {
  CRecordsetEx* set = nullptr;
  size_t bytes = 0;
  rowsRead = 0;
  if (conn.OpenResultSet(sql, set) != 1) return 0;
  std::string text;
  const int columns = set->GetColumnCount();
  while (!set->IsEOF()) {
    for (int i = 0; i < columns; ++i) {
      set->GetFieldText(i, text);
      bytes += text.size();
    }
    ++rowsRead;
    set->MoveNext();
  }
  CDBConnection::CloseResultSet(set);
  return bytes;
}

std::string BenchSqliteFile() {
  const char* dirEnv = std::getenv("ORVA_BENCH_DIR");
  const std::string dir = dirEnv && *dirEnv ? dirEnv : "/tmp/orva-bench";
  mkdir(dir.c_str(), 0755);
  return dir + "/bench.sqlite";
}

int RunOnBenchDatabases(int argc, char** argv, const BenchFunction& bench) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  test::RegisterTestDrivers();
  SetMessageBoxHook([](const MessageBoxRequest& box) {
    std::fprintf(stderr, "%s\n", box.text.toLocal8Bit().constData());
    return static_cast<int>(IDNO);
  });
  // Extra connection-string keys for a driver, e.g. to have it hand rows over
  // as they come instead of holding the whole result:
  //   ORVA_BENCH_SQLITE_OPTIONS="StepAPI=1;"  ORVA_BENCH_PG_OPTIONS="UseDeclareFetch=1;Fetch=10000;"
  const auto options = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  const auto run = [&](const char* label, const std::string& connect, const std::string& fill, const std::string& extra) {
    std::printf("%s%s%s\n", label, extra.empty() ? "" : " with driver options ", extra.c_str());
    CDBConnection conn;
    if (!conn.Open(connect + extra)) {
      std::printf("  cannot connect\n");
      return;
    }
    if (PrepareTable(conn, rows, fill)) bench(connect + extra, conn);
  };
  const std::string only = argc > 2 ? argv[2] : "";
  if (only.empty() || only == "sqlite") run("SQLite", test::SqliteConnectString(BenchSqliteFile()), SqliteFill(rows), options("ORVA_BENCH_SQLITE_OPTIONS"));
  if (only.empty() || only == "postgresql") {
    if (test::PostgresConfigured())
      run("PostgreSQL", test::PostgresConnectString(), PostgresFill(rows), options("ORVA_BENCH_PG_OPTIONS"));
    else
      std::printf("PostgreSQL: skipped (ORVA_PG_* not set)\n");
  }
  return 0;
}

}  // namespace orva::bench
