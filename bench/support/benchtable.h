#pragma once
// What the read benchmarks share: the million-row table of mixed columns in
// SQLite and PostgreSQL, timing of this process and of isql as the baseline.

#include <chrono>
#include <functional>
#include <string>

#include "db/dbconnection.h"

namespace orva::bench {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since);
// Processor seconds (user + system) of this process (RUSAGE_SELF) or of its
// finished children (RUSAGE_CHILDREN); steadier than wall time on a shared
// machine.
double CpuSeconds(int who);

// The better of several runs.
struct Timing {
  double wall = 1e9;
  double cpu = 1e9;
  void Keep(double w, double c) {
    wall = wall < w ? wall : w;
    cpu = cpu < c ? cpu : c;
  }
};

// The query every read benchmark runs.
inline constexpr const char* kBenchQuery =
    "SELECT id, qty, price, ratio, code, name, note, created, updated, flag FROM bench";

std::string SqliteFill(long rows);
std::string PostgresFill(long rows);
// Creates the table "bench" with `rows` rows unless it already has them.
bool PrepareTable(CDBConnection& conn, long rows, const std::string& fill);

// Reads every value of `sql` as text through CRecordsetEx (MoveNext and
// GetFieldText of each value); returns the bytes of text read.
size_t ReadAllAsText(CDBConnection& conn, const std::string& sql, long& rowsRead);

// Runs the query through unixODBC's isql, output discarded, and keeps its time.
void TimeIsql(const std::string& connect, const std::string& sql, Timing& timing);

// Runs `bench` (connection string, open connection whose table "bench" is
// ready) on SQLite and on the private PostgreSQL server, as the command line
// asks, each under its label:
//   program [rows [sqlite|postgresql]]   (default 1000000, both)
// Database errors go to stderr instead of a message box. Returns 0.
using BenchFunction = std::function<void(const std::string& connect, CDBConnection& conn)>;
int RunOnBenchDatabases(int argc, char** argv, const BenchFunction& bench);

// The SQLite file of the benchmarks ($ORVA_BENCH_DIR, default /tmp/orva-bench).
std::string BenchSqliteFile();

}  // namespace orva::bench
