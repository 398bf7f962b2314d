// Runs "SELECT ... FROM bench" (1,000,000 rows x 10 columns) through a real
// query window on the offscreen platform, from the run command to the
// completion notice: the first run in a fresh process and later runs. The
// baseline is CRecordsetEx reading the same rows alone, measured in the same
// process between the runs; isql is timed too. Also reports when the first
// rows became visible, the longest time the GUI thread went without
// processing events, and the peak resident memory against the text size.
// A last run is cancelled once half a million rows are in the grid: it
// reports how soon the window was back and how many rows it kept.
//
// Usage: query_window_bench [rows [sqlite|postgresql]]   (default 1000000, both)

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "benchtable.h"
#include "db/dbconnection.h"
#include "db/recordsetex.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/resultview.h"

namespace {

using orva::bench::Clock;

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Resident memory now, in MB.
long ResidentMb() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

struct WindowRun {
  double wall = 0;
  double cpu = 0;
  double guiCpu = 0;     // of it, the GUI thread's
  long residentMb = 0;   // resident at the notice: the grid and the program
  double firstRows = -1;  // seconds from F5 until the grid showed rows
  qint64 stall = 0;
  double stallEnd = 0;
  long rows = 0;
  double cancelMs = -1;  // from the cancel command until the notice
  long rowsAtCancel = 0;
};

// One run of the query window, from F5 to WM_QUERY_DONE; cancelled once the
// grid holds `cancelAtRows` rows when that is not 0.
WindowRun RunWindow(orva::CDBConnection& conn, long cancelAtRows = 0) {
  WindowRun run;
  // A query window as the main window makes one: document, editor, frame.
  auto document = std::make_unique<orva::CQueryDoc>();
  document->OnNewDocument();
  auto frame = std::make_unique<orva::CChildFrame>();
  auto* view = new orva::CQueryView(document.get());
  frame->SetQueryView(view);
  frame->SetDocument(std::move(document));
  frame->SetConnection(&conn);
  view->OnInitialUpdate();
  frame->resize(1000, 700);
  frame->show();
  view->InsertText(orva::bench::kBenchQuery);
  QApplication::processEvents();

  // The GUI thread's heartbeat: the longest gap between two ticks, and the
  // first tick that finds rows in the grid.
  QElapsedTimer beat;
  QTimer heartbeat;
  heartbeat.setInterval(5);
  Clock::time_point start, cancelStart;
  orva::CResultView* results = frame->GetResultView();
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const qint64 gap = beat.restart();
    if (gap > run.stall) {
      run.stall = gap;
      run.stallEnd = orva::bench::Seconds(start);
    }
    if (run.firstRows < 0 && results->GetGridCount() > 0 && results->GetGrid(0)->GetRowCount() > 1)
      run.firstRows = orva::bench::Seconds(start);
    if (cancelAtRows > 0 && run.rowsAtCancel == 0 && results->GetGridCount() > 0 &&
        results->GetGrid(0)->GetRowCount() - 1 >= cancelAtRows) {
      run.rowsAtCancel = results->GetGrid(0)->GetRowCount() - 1;
      cancelStart = Clock::now();
      frame->OnCommand(orva::ID_QUERY_CANCEL);
    }
  });

  const double cpu = orva::bench::CpuSeconds(RUSAGE_SELF);
  const double guiCpu = ThreadCpuSeconds();
  start = Clock::now();
  beat.start();
  heartbeat.start();
  frame->OnCommand(orva::ID_QUERY_RUN);
  // Sleeps until something happens, as a real event loop does (the
  // heartbeat wakes it at least every 5 ms), so the processor time is ORVA's.
  while (frame->IsRunning()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  heartbeat.stop();
  // The time since the last tick counts too: the end of the run may hold
  // the GUI thread up as well.
  if (beat.elapsed() > run.stall) {
    run.stall = beat.elapsed();
    run.stallEnd = orva::bench::Seconds(start);
  }
  run.wall = orva::bench::Seconds(start);
  if (run.rowsAtCancel > 0) run.cancelMs = orva::bench::Seconds(cancelStart) * 1000;
  run.cpu = orva::bench::CpuSeconds(RUSAGE_SELF) - cpu;
  run.guiCpu = ThreadCpuSeconds() - guiCpu;
  run.residentMb = ResidentMb();
  run.rows = results->GetGridCount() == 1 ? results->GetGrid(0)->GetRowCount() - 1 : -1;
  frame.reset();
  return run;
}

void Bench(const std::string& connect, orva::CDBConnection& conn) {
  constexpr int kRounds = 3;
  orva::bench::Timing later, bare, isql;
  WindowRun first;
  qint64 longestStall = 0;
  double firstRows = 0;
  long peakMb = 0;
  size_t bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    const WindowRun run = RunWindow(conn);
    std::printf("  round %d: %.2f s, %.2f s processor (GUI thread %.2f s), first rows after %.0f ms, longest stall "
                "%lld ms ending %.2f s in, %ld MB resident at the end\n",
                round + 1, run.wall, run.cpu, run.guiCpu, run.firstRows * 1000, static_cast<long long>(run.stall),
                run.stallEnd, run.residentMb);
    if (round == 0) {
      first = run;
      peakMb = PeakRssMb();  // the first run in a fresh process sets the peak
    } else {
      later.Keep(run.wall, run.cpu);
    }
    longestStall = std::max(longestStall, run.stall);
    firstRows = std::max(firstRows, run.firstRows);

    const double cpu = orva::bench::CpuSeconds(RUSAGE_SELF);
    Clock::time_point start = Clock::now();
    long rowsRead = 0;
    bytes = orva::bench::ReadAllAsText(conn, orva::bench::kBenchQuery, rowsRead);
    bare.Keep(orva::bench::Seconds(start), orva::bench::CpuSeconds(RUSAGE_SELF) - cpu);
    if (round < 2) orva::bench::TimeIsql(connect, orva::bench::kBenchQuery, isql);
  }
  const double textMb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf("  query window: %ld rows in the grid: first run %.2f s wall (%.2f s processor), later runs %.2f s "
              "(%.2f s)\n",
              first.rows, first.wall, first.cpu, later.wall, later.cpu);
  std::printf("  bare read:    %.2f s wall, %.2f s processor (CRecordsetEx alone, same rows)\n", bare.wall, bare.cpu);
  std::printf("  isql -b:      %.2f s wall, %.2f s processor\n", isql.wall, isql.cpu);
  std::printf("  ratio to the bare read (first run): %.2f\n", first.wall / bare.wall);
  std::printf("  ratio to the bare read (later runs): %.2f\n", later.wall / bare.wall);
  std::printf("  processor ratio to the bare read (first run, later runs): %.2f, %.2f (target <= 1.3)\n",
              first.cpu / bare.cpu, later.cpu / bare.cpu);
  std::printf("  ratio to isql: %.2f wall\n", later.wall / isql.wall);
  std::printf("  first rows visible after at most %.0f ms (target <= 200)\n", firstRows * 1000);
  std::printf("  GUI thread: longest stall %lld ms (target <= 50)\n", static_cast<long long>(longestStall));
  constexpr long kCancelAt = 500000;
  const WindowRun cancelled = RunWindow(conn, kCancelAt);
  if (cancelled.cancelMs >= 0)
    std::printf("  cancel at %ld rows: back after %.0f ms with %ld rows kept (target <= 500)\n", cancelled.rowsAtCancel,
                cancelled.cancelMs, cancelled.rows);
  else
    std::printf("  cancel: the run ended before %ld rows\n", kCancelAt);
  std::printf("  peak memory: %ld MB against %.0f MB of text: %.2f x text (target <= 2.2 x text + 30 MB = %.0f MB)\n",
              peakMb, textMb, peakMb / textMb, 2.2 * textMb + 30);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  orva::RegisterMessageTypes();
  return orva::bench::RunOnBenchDatabases(argc, argv, Bench);
}
