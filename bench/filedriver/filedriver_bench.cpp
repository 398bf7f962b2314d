// SELECT * over a 1,000,000-row, 10-column CSV (about 100 MB) and over a
// 2,000,000-record .dbf (about 200 MB) through ORVA's file driver and
// CRecordsetEx -- MoveNext and GetFieldText of every value -- against the
// sqlite3 command-line tool importing the same rows from CSV (".import"
// into an in-memory database). Prints both times, their ratio, and the peak
// resident memory the read added (no rows are kept).
//
// Usage: filedriver_bench [csv-rows [dbf-records]]   (default 1000000 2000000)
// The files live in $ORVA_BENCH_DIR/filedriver (default /tmp/orva-bench) and
// are reused by later runs of the same size.

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "benchtable.h"
#include "db/connectstring.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "export/dbfwriter.h"
#include "odbc_test_env.h"

namespace {

using orva::bench::Clock;
using orva::bench::CpuSeconds;
using orva::bench::Seconds;
using orva::bench::Timing;

std::string Folder() {
  const char* dir = std::getenv("ORVA_BENCH_DIR");
  const std::string folder = std::string(dir && *dir ? dir : "/tmp/orva-bench") + "/filedriver";
  std::system(("mkdir -p '" + folder + "'").c_str());
  return folder;
}

bool Exists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

long long FileSize(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

// The values of row i, the same in the CSV and the .dbf.
void RowValues(long i, std::string (&v)[10]) {
  char buf[64];
  v[0] = std::to_string(i);
  v[1] = "name_" + std::to_string(i % 100000);
  v[2] = std::to_string((i * 7) % 1000);
  std::snprintf(buf, sizeof buf, "%.2f", (i % 100000) / 100.0);
  v[3] = buf;
  std::snprintf(buf, sizeof buf, "%.4f", (i % 997) / 997.0);
  v[4] = buf;
  v[5] = "C" + std::to_string(i % 1000);
  v[6] = "note text for row " + std::to_string(i % 5000) + " of the benchmark";
  std::snprintf(buf, sizeof buf, "20%02ld-%02ld-%02ld", 10 + i % 14, 1 + i % 12, 1 + i % 28);
  v[7] = buf;
  v[8] = i % 3 ? "alpha" : "beta";
  v[9] = i % 2 ? "T" : "F";
}

const char* kNames[10] = {"id", "name", "qty", "price", "ratio", "code", "note", "created", "kind", "flag"};

void WriteCsv(const std::string& path, long rows) {
  std::ofstream out(path + ".new", std::ios::binary);
  for (int c = 0; c < 10; ++c) out << (c ? "," : "") << kNames[c];
  out << "\r\n";
  std::string v[10];
  for (long i = 0; i < rows; ++i) {
    RowValues(i, v);
    for (int c = 0; c < 10; ++c) out << (c ? "," : "") << v[c];
    out << "\r\n";
  }
  out.close();
  std::rename((path + ".new").c_str(), path.c_str());
}

void WriteDbf(const std::string& path, long rows) {
  orva::CDbfWriter writer;
  writer.Init(static_cast<std::uint32_t>(rows), 10);
  const char types[10] = {'N', 'C', 'N', 'N', 'N', 'C', 'C', 'D', 'C', 'C'};
  const std::uint16_t widths[10] = {orva::CDbfWriter::NumericWidth(10, 0), 12, orva::CDbfWriter::NumericWidth(5, 0),
                                    orva::CDbfWriter::NumericWidth(10, 2), orva::CDbfWriter::NumericWidth(8, 4), 6, 40,
                                    8, 6, 1};
  for (int c = 0; c < 10; ++c) writer.DefineField(c, kNames[c], types[c], widths[c]);
  if (!writer.Open(path + ".new") || !writer.WriteHeader()) return;
  std::string v[10];
  for (long i = 0; i < rows; ++i) {
    RowValues(i, v);
    for (int c = 0; c < 10; ++c) writer.SetFieldValue(c, v[c]);
    writer.WriteRecord();
  }
  writer.Close();
  std::rename((path + ".new").c_str(), path.c_str());
}

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
  return 0;
}

struct ReadResult {
  Timing timing;
  long rows = 0;
  long peakAddedKb = 0;
};

ReadResult ReadAll(const std::string& connect, const std::string& sql) {
  ReadResult result;
  orva::CDBConnection conn;
  if (!conn.Open(connect)) return result;
  for (int round = 0; round < 2; ++round) {
    // Peak resident memory from here on (the kernel resets VmHWM on "5").
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long before = StatusKb("VmRSS:");
    const auto start = Clock::now();
    const double cpu = CpuSeconds(RUSAGE_SELF);
    long rows = 0;
    size_t bytes = 0;
    try {
      bytes = orva::bench::ReadAllAsText(conn, sql, rows);
    } catch (const orva::CDBException& e) {
      std::fprintf(stderr, "%s\n", e.ErrorText().c_str());
    }
    result.timing.Keep(Seconds(start), CpuSeconds(RUSAGE_SELF) - cpu);
    result.rows = rows;
    result.peakAddedKb = std::max(result.peakAddedKb, StatusKb("VmHWM:") - before);
    if (bytes == 0) std::fprintf(stderr, "nothing read\n");
  }
  return result;
}

Timing SqliteImport(const std::string& csv) {
  Timing timing;
  for (int round = 0; round < 2; ++round) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    const std::string command = "printf '.mode csv\\n.import \"" + csv + "\" t\\nselect count(*) from t;\\n' | sqlite3 :memory: > /dev/null";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 failed\n");
    timing.Keep(Seconds(start), CpuSeconds(RUSAGE_CHILDREN) - cpu);
  }
  return timing;
}

void Report(const char* what, const std::string& file, const ReadResult& ours, const Timing& baseline) {
  std::printf("%s: %s (%.0f MB), %ld rows\n", what, file.c_str(), FileSize(file) / 1e6, ours.rows);
  std::printf("  ORVA driver + CRecordsetEx: %.2f s wall, %.2f s cpu\n", ours.timing.wall, ours.timing.cpu);
  std::printf("  sqlite3 .import (CSV)     : %.2f s wall, %.2f s cpu\n", baseline.wall, baseline.cpu);
  std::printf("  ratio                     : %.2f wall, %.2f cpu (target <= 2)\n", ours.timing.wall / baseline.wall,
              ours.timing.cpu / baseline.cpu);
  std::printf("  peak memory added by read : %.1f MB (target < 100 MB)\n", ours.peakAddedKb / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  const long csvRows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long dbfRows = argc > 2 ? std::atol(argv[2]) : 2000000;
  orva::test::RegisterTestDrivers();
  const std::string folder = Folder();
  const std::string csv = folder + "/rows" + std::to_string(csvRows) + ".csv";
  const std::string dbfCsv = folder + "/records" + std::to_string(dbfRows) + ".csv.txt";
  const std::string dbf = folder + "/records" + std::to_string(dbfRows) + ".dbf";
  if (!Exists(csv)) WriteCsv(csv, csvRows);
  if (!Exists(dbf)) WriteDbf(dbf, dbfRows);
  if (!Exists(dbfCsv)) WriteCsv(dbfCsv, dbfRows);

  const std::string table = csv.substr(folder.size() + 1);
  Report("CSV", csv, ReadAll(orva::TextConnectString(csv), "SELECT * FROM \"" + table + "\""), SqliteImport(csv));
  const std::string dbfTable = dbf.substr(folder.size() + 1, dbf.size() - folder.size() - 5);
  Report("dBase", dbf, ReadAll(orva::DBaseConnectString(dbf), "SELECT * FROM \"" + dbfTable + "\""),
         SqliteImport(dbfCsv));
  return 0;
}
