// Reads a 1,000,000-row x 10-column table (integers, decimals, short and
// long texts, dates) through CRecordsetEx -- MoveNext and GetFieldText of
// every value -- and times unixODBC's isql reading the same query through the
// same driver manager and driver. Prints both times and their ratio, for
// SQLite (a reused file) and for the private PostgreSQL server when ORVA_PG_*
// describe one.
//
// Usage: db_read_bench [rows [sqlite|postgresql]]   (default 1000000, both)
// The SQLite file lives in $ORVA_BENCH_DIR (default /tmp/orva-bench) and is
// reused by later runs; the PostgreSQL table is reused while the server runs.

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/messagebox.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor seconds (user + system) of this process or of its finished
// children; steadier than wall time on a shared machine.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timing {
  double wall = 1e9;
  double cpu = 1e9;
  void Keep(double w, double c) {
    wall = std::min(wall, w);
    cpu = std::min(cpu, c);
  }
};

const char* kColumns =
    "id INTEGER, qty INTEGER, price DECIMAL(12,2), ratio DOUBLE PRECISION, code VARCHAR(16), "
    "name VARCHAR(40), note VARCHAR(300), created DATE, updated TIMESTAMP, flag SMALLINT";

std::string SqliteFill(long rows) {
  return "INSERT INTO bench SELECT x, x % 977, (x % 100000) / 100.0, x / 7.0, 'C' || (x % 10000), "
         "'" + orva::GbkFromUtf8("名称") + "' || x, substr(replace(hex(zeroblob(150)), '00', 'ab'), 1, 100 + x % 200), "
         "date('2020-01-01', '+' || (x % 2000) || ' days'), datetime('2020-01-01 08:00:00', '+' || x || ' seconds'), "
         "x % 2 FROM (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
         std::to_string(rows) + ") SELECT x FROM c)";
}

std::string PostgresFill(long rows) {
  return "INSERT INTO bench SELECT x, x % 977, (x % 100000) / 100.0, x / 7.0, 'C' || (x % 10000), "
         "'" + orva::GbkFromUtf8("名称") + "' || x, substr(repeat('ab', 150), 1, 100 + x % 200), "
         "date '2020-01-01' + (x % 2000), timestamp '2020-01-01 08:00:00' + x * interval '1 second', "
         "x % 2 FROM generate_series(1, " + std::to_string(rows) + ") AS x";
}

long CountRows(orva::CDBConnection& conn) {
  orva::CRecordsetEx* set = nullptr;
  long count = -1;
  try {
    if (conn.OpenResultSet("SELECT count(*) FROM bench", set) == 1) {
      std::string text;
      set->GetFieldText(0, text);
      count = std::atol(text.c_str());
    }
  } catch (const orva::CDBException&) {
  }
  orva::CDBConnection::CloseResultSet(set);
  return count;
}

bool PrepareTable(orva::CDBConnection& conn, long rows, const std::string& fill) {
  if (CountRows(conn) == rows) return true;
  std::printf("  creating the %ld-row table...\n", rows);
  std::fflush(stdout);
  try {
    try {
      conn.Execute("DROP TABLE bench");
    } catch (const orva::CDBException&) {
    }
    conn.Execute(std::string("CREATE TABLE bench (") + kColumns + ")");
    conn.Execute(fill);
  } catch (const orva::CDBException& error) {
    std::fprintf(stderr, "  cannot create the table: %s\n", error.what());
    return false;
  }
  return CountRows(conn) == rows;
}

// Reads every value of the query as text; returns the bytes read so the work
// cannot be optimised away.
size_t ReadThroughRecordset(orva::CDBConnection& conn, const std::string& sql, long& rowsRead) {
  orva::CRecordsetEx* set = nullptr;
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
  orva::CDBConnection::CloseResultSet(set);
  return bytes;
}

void TimeIsql(const std::string& connect, const std::string& sql, Timing& timing) {
  const std::string script = "echo \"" + sql + "\" | isql -k \"" + connect + "\" -b -e -d'|' > /dev/null";
  const double cpu = CpuSeconds(RUSAGE_CHILDREN);
  Clock::time_point start = Clock::now();
  int rc = std::system(script.c_str());
  timing.Keep(Seconds(start), CpuSeconds(RUSAGE_CHILDREN) - cpu);
  if (rc != 0) std::fprintf(stderr, "  isql returned %d\n", rc);
}

void Bench(const char* label, const std::string& connect, long rows, const std::string& fill) {
  std::printf("%s\n", label);
  orva::CDBConnection conn;
  if (!conn.Open(connect)) {
    std::printf("  cannot connect\n");
    return;
  }
  if (!PrepareTable(conn, rows, fill)) return;
  const std::string sql = "SELECT id, qty, price, ratio, code, name, note, created, updated, flag FROM bench";
  Timing ours, isql;
  long rowsRead = 0;
  size_t bytes = 0;
  // Two alternating rounds; the better time of each side counts.
  for (int round = 0; round < 2; ++round) {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    Clock::time_point start = Clock::now();
    bytes = ReadThroughRecordset(conn, sql, rowsRead);
    ours.Keep(Seconds(start), CpuSeconds(RUSAGE_SELF) - cpu);
    TimeIsql(connect, sql, isql);
  }
  // With a server, part of the time is the server's, which neither side's
  // processor time includes.
  std::printf("  CRecordsetEx: %ld rows, %zu bytes of text: %.2f s wall, %.2f s processor\n", rowsRead, bytes,
              ours.wall, ours.cpu);
  std::printf("  isql -b:      %.2f s wall, %.2f s processor\n", isql.wall, isql.cpu);
  std::printf("  ratio:        %.2f wall, %.2f processor (target <= 1.3)\n", ours.wall / isql.wall,
              ours.cpu / isql.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  orva::test::RegisterTestDrivers();
  // No windows here: database errors go to stderr instead of a message box.
  orva::SetMessageBoxHook([](const orva::MessageBoxRequest& box) {
    std::fprintf(stderr, "%s\n", box.text.toLocal8Bit().constData());
    return static_cast<int>(orva::IDOK);
  });

  const char* dirEnv = std::getenv("ORVA_BENCH_DIR");
  const std::string dir = dirEnv && *dirEnv ? dirEnv : "/tmp/orva-bench";
  mkdir(dir.c_str(), 0755);
  const std::string only = argc > 2 ? argv[2] : "";
  if (only.empty() || only == "sqlite")
    Bench("SQLite", orva::test::SqliteConnectString(dir + "/bench.sqlite"), rows, SqliteFill(rows));

  if (only == "sqlite")
    ;
  else if (orva::test::PostgresConfigured())
    Bench("PostgreSQL", orva::test::PostgresConnectString(), rows, PostgresFill(rows));
  else
    std::printf("PostgreSQL: skipped (ORVA_PG_* not set)\n");
  return 0;
}
