// Times the script splitter on generated scripts of 10, 50 and 100 MB
// (statements with texts and GBK names, line and block comments, quoted
// names, trigger bodies) and prints the time per size, the time per MB, and
// a plain copy of the same bytes as the baseline. The splitter must stay
// linear: the time per MB does not grow with the size; 100 MB in under 1 s.
// Usage: splitter_bench

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <string>

#include "query/scriptsplitter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor time of this process: on a busy machine it shows the cost that
// the wall-clock time hides.
double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string MakeScript(std::size_t bytes) {
  static const char* const kShapes[] = {
      "INSERT INTO orders VALUES (%d, '\xD6\xD0\xCE\xC4; it''s -- not a comment', \"col;%d\");\r\n",
      "SELECT id, [name;x], `y--z` FROM t WHERE id = %d -- trailing note; here\r\n;\r\n",
      "/* block %d; 'quoted' -- inside */ UPDATE t SET a = a - 1 WHERE id = %d;\r\n",
      "CREATE TRIGGER tr%d AFTER INSERT ON t BEGIN\r\n  INSERT INTO log VALUES (new.a);\r\n"
      "  UPDATE t SET b = CASE WHEN new.a > %d THEN 'x;y' END;\r\nEND;\r\n",
      "CREATE VIEW v%d AS\nSELECT a, b FROM t WHERE a > %d;\n",
  };
  std::string script;
  script.reserve(bytes + 256);
  char line[256];
  for (int i = 0; script.size() < bytes; ++i) {
    std::snprintf(line, sizeof line, kShapes[i % 5], i, i);
    script += line;
  }
  return script;
}

}  // namespace

int main() {
  std::printf("%-8s %10s %12s %12s %12s %12s\n", "size", "statements", "split s", "split cpu s", "split ms/MB",
              "copy ms/MB");
  double perMbFirst = 0, perMbLast = 0, last = 0;
  for (std::size_t mb : {10, 50, 100}) {
    const std::string script = MakeScript(mb << 20);
    auto start = Clock::now();
    std::string copy(script);
    const double copySeconds = Seconds(start);

    orva::CScriptSplitter splitter;
    start = Clock::now();
    const double cpuStart = CpuSeconds();
    splitter.Split(script);
    last = Seconds(start);
    const double cpu = CpuSeconds() - cpuStart;
    const double perMb = last * 1000 / static_cast<double>(mb);
    if (perMbFirst == 0) perMbFirst = perMb;
    perMbLast = perMb;
    std::printf("%-5zu MB %10zu %12.3f %12.3f %12.2f %12.2f\n", mb, splitter.Count(), last, cpu, perMb,
                copySeconds * 1000 / static_cast<double>(mb));
    if (copy.size() != script.size()) return 1;
  }
  std::printf("100 MB: %.3f s (target < 1 s); ms/MB at 100 MB vs 10 MB: %.2f (linear: about 1)\n", last,
              perMbLast / perMbFirst);
  return 0;
}
