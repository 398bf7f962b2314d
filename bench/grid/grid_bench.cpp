// Fills a shown grid with 1,000,000 rows x 10 columns of short texts from a
// worker thread (InsertRow + SetItemText, as the query engine does), then
// fits it with AutoSize and scrolls to the last row. Prints the fill rate,
// the memory per cell beyond the text, the AutoSize time and the time to
// paint the last row, each against its target.

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "grid/gridctrl.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 10;

long long HeapInUse() { return static_cast<long long>(mallinfo2().uordblks); }

long long ResidentKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

std::string Text(int row, int col) { return std::to_string(row) + "." + std::to_string(col); }

void Report(const char* what, double value, const char* unit, double target, bool higherIsBetter) {
  bool met = higherIsBetter ? value >= target : value <= target;
  std::printf("%-34s %14.1f %-8s target %s %.0f %s  [%s]\n", what, value, unit, higherIsBetter ? ">=" : "<=", target,
              unit, met ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  orva::CGridCtrl grid;
  grid.resize(1000, 700);
  for (int c = 0; c < kColumns; ++c) grid.InsertColumn(c == 0 ? "" : "Column" + std::to_string(c));
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
  grid.show();
  app.processEvents();

  long long textBytes = 0;
  for (int r = 1; r <= kRows; ++r)
    for (int c = 0; c < kColumns; ++c) textBytes += static_cast<long long>(c == 0 ? std::to_string(r).size() : Text(r, c).size());

  const long long heapBefore = HeapInUse();
  const long long rssBefore = ResidentKb();
  std::atomic<bool> done{false};
  QElapsedTimer fillTimer;
  fillTimer.start();
  std::thread worker([&] {
    for (int r = 1; r <= kRows; ++r) {
      int row = grid.InsertRow(std::to_string(r));
      for (int c = 1; c < kColumns; ++c) grid.SetItemText(row, c, Text(row, c));
    }
    done = true;
  });
  int repaints = 0;
  while (!done) {
    app.processEvents(QEventLoop::AllEvents, 5);
    ++repaints;
  }
  worker.join();
  const double fillSeconds = fillTimer.nsecsElapsed() / 1e9;
  app.processEvents();
  const long long heapGrowth = HeapInUse() - heapBefore;
  const long long rssGrowthKb = ResidentKb() - rssBefore;

  QElapsedTimer autoSizeTimer;
  autoSizeTimer.start();
  grid.AutoSize();
  const double autoSizeMs = autoSizeTimer.nsecsElapsed() / 1e6;

  QElapsedTimer paintTimer;
  paintTimer.start();
  grid.EnsureVisible(kRows, 1);
  grid.viewport()->repaint();
  const double paintMs = paintTimer.nsecsElapsed() / 1e6;

  const double cells = static_cast<double>(kRows) * kColumns;
  const double bytesPerCell = static_cast<double>(heapGrowth) / cells;
  const double textPerCell = static_cast<double>(textBytes) / cells;
  std::printf("grid: %d rows x %d columns = %.0f cells, average text %.1f bytes; %d GUI passes while filling\n", kRows,
              kColumns, cells, textPerCell, repaints);
  std::printf("heap growth %.1f MB (%.1f bytes/cell), resident growth %.1f MB\n", heapGrowth / 1e6, bytesPerCell,
              rssGrowthKb / 1e3);
  Report("fill rate (worker, widget shown)", cells / fillSeconds, "cells/s", 2000000, true);
  Report("memory per cell beyond the text", bytesPerCell - textPerCell, "bytes", 48, false);
  Report("AutoSize", autoSizeMs, "ms", 1000, false);
  Report("scroll to last row and paint", paintMs, "ms", 50, false);
  std::printf("check: last row reads \"%s\" / \"%s\", first visible row %d\n", grid.GetItemText(kRows, 0).c_str(),
              grid.GetItemText(kRows, kColumns - 1).c_str(), grid.GetTopleftNonFixedCell().row);
  std::fflush(stdout);
  return 0;
}
