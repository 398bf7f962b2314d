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

#include "benchtable.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "platform/codec.h"

namespace {

using orva::bench::Clock;
using orva::bench::CpuSeconds;
using orva::bench::Seconds;
using orva::bench::Timing;

void Bench(const std::string& connect, orva::CDBConnection& conn) {
  const std::string sql = orva::bench::kBenchQuery;
  Timing ours, isql;
  long rowsRead = 0;
  size_t bytes = 0;
  // Two alternating rounds; the better time of each side counts.
  for (int round = 0; round < 2; ++round) {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    Clock::time_point start = Clock::now();
    bytes = orva::bench::ReadAllAsText(conn, sql, rowsRead);
    ours.Keep(Seconds(start), CpuSeconds(RUSAGE_SELF) - cpu);
    orva::bench::TimeIsql(connect, sql, isql);
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

int main(int argc, char** argv) { return orva::bench::RunOnBenchDatabases(argc, argv, Bench); }
