// Times the heavy paths of the text buffer on a generated 100 MB script:
// loading (with peak memory), the colouring cookie pass over every line, and
// an edit plus undo deep inside the text. Prints each figure next to its
// target. Usage: editor_bench [script path] (default /tmp/orva_editor_bench.sql).

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "editor/sqlcolouring.h"
#include "editor/textbuffer.h"
#include "editor/textfile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long PeakRssKb() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

long CurrentRssKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

// Streams about 100 MB of mixed SQL (keywords, numbers, texts, comments,
// GBK names, a block comment now and then) to the file; returns its size.
std::size_t GenerateScript(const std::string& path, int lines) {
  std::ofstream out(path, std::ios::binary);
  static const char* const kShapes[] = {
      "SELECT id, name, \xD6\xD0\xCE\xC4\xC3\xFB, amount * 1.5e3 FROM dbo.orders WHERE id = %d AND note <> 'x''y';",
      "  -- comment line %d: totals per customer, SELECT nothing here, padding text...........",
      "UPDATE accounts SET balance = balance + 0x1F WHERE account_no = %d /* inline note */ ;;",
      "/* block comment %d opens here and carries on to the next line of the script ........",
      "   still inside the block comment, keywords like SELECT stay grey */ INSERT INTO t VALUES (%d);",
      "#define LIMIT %d    -- a directive line, rarely seen in SQL but coloured all the same ....",
  };
  std::string line;
  char buffer[256];
  std::size_t size = 0;
  for (int i = 0; i < lines; ++i) {
    std::snprintf(buffer, sizeof buffer, kShapes[i % 6], i);
    line.assign(buffer);
    line.resize(98, ' ');
    line += "\r\n";
    out << line;
    size += line.size();
  }
  return size;
}

template <typename Step>
double MicrosecondsPerRun(int runs, Step&& step) {
  auto start = Clock::now();
  for (int i = 0; i < runs; ++i) step();
  return Seconds(start) * 1e6 / runs;
}

// One character typed and undone, as the edit view would do it.
double InsertUndoMicros(orva::CTextBuffer& buffer, int line, const char* text) {
  return MicrosecondsPerRun(2000, [&] {
    int endLine, endColumn;
    buffer.InsertAt(nullptr, line, 10, text, endLine, endColumn, orva::UndoTyping);
    orva::TextPos caret;
    buffer.UndoGroup(caret);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/orva_editor_bench.sql";
  const int kLines = 1050000;  // 100 bytes a line: just over 100 MiB
  std::printf("generating %d lines into %s ...\n", kLines, path.c_str());
  const std::size_t size = GenerateScript(path, kLines);
  std::printf("script: %.1f MB, %d lines\n\n", size / 1048576.0, kLines);

  const long rssBefore = CurrentRssKb();
  orva::CTextBuffer buffer;
  auto start = Clock::now();
  if (!buffer.LoadFile(path)) {
    std::printf("LoadFile failed\n");
    return 1;
  }
  const double loadSeconds = Seconds(start);
  const long loadKb = PeakRssKb() - rssBefore;
  std::printf("LoadFile:                        %.3f s      (target < 1 s)\n", loadSeconds);
  std::printf("memory for the loaded script:    %.1f MB = %.2f x file size (target < 2 x)\n", loadKb / 1024.0,
              loadKb * 1024.0 / size);

  {
    // Baseline: reading the same bytes whole, without splitting into lines.
    start = Clock::now();
    orva::FileBytes bytes;
    orva::ReadWholeFile(path, bytes);
    std::printf("  baseline, whole-file read:     %.3f s\n", Seconds(start));
  }

  start = Clock::now();
  std::uint32_t cookie = 0;
  for (int i = 0; i < buffer.LineCount(); ++i) cookie = orva::ColorLine(cookie, buffer.Line(i), nullptr);
  std::printf("ColorLine cookie pass, all lines: %.3f s      (target < 1 s)\n", Seconds(start));

  std::vector<orva::ColorSpan> spans;
  std::size_t spanCount = 0;
  start = Clock::now();
  cookie = 0;
  for (int i = 0; i < buffer.LineCount(); ++i) {
    spans.clear();
    cookie = orva::ColorLine(cookie, buffer.Line(i), &spans);
    spanCount += spans.size();
  }
  std::printf("ColorLine with spans, all lines:  %.3f s      (for reference; %zu spans)\n\n", Seconds(start),
              spanCount);

  std::printf("insert character + undo, line 500,000 of 1,050,000: %.2f us (target: independent of line count)\n",
              InsertUndoMicros(buffer, 500000, "x"));
  std::printf("insert character + undo, line 50 of 1,050,000:      %.2f us\n", InsertUndoMicros(buffer, 50, "x"));
  std::printf("insert line break + undo, line 500,000:             %.2f us\n",
              InsertUndoMicros(buffer, 500000, "\r\n"));
  {
    orva::CTextBuffer small;
    small.CreateEmpty(orva::EolCrLf);
    int endLine, endColumn;
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "SELECT padding padding padding padding FROM t;\r\n";
    small.InsertAt(nullptr, 0, 0, text, endLine, endColumn);
    std::printf("insert character + undo, line 500 of 1,000:         %.2f us (same work on a small script)\n",
                InsertUndoMicros(small, 500, "x"));
  }

  start = Clock::now();
  const bool saved = buffer.SaveFile(path);
  std::printf("\nSaveFile (atomic, fsync):        %.3f s%s\n", Seconds(start), saved ? "" : "  FAILED");
  std::remove(path.c_str());
  return 0;
}
