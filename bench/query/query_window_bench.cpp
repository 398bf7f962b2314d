// Runs "SELECT ... FROM bench" (1,000,000 rows x 10 columns) through a real
// query window on the offscreen platform, from the run command to the
// completion notice, and times isql on the same query as the baseline. Also
// reports the longest time the GUI thread went without processing events
// during the read, and the peak resident memory.
//
// Usage: query_window_bench [rows [sqlite|postgresql]]   (default 1000000, both)

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "benchtable.h"
#include "db/dbconnection.h"
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

void Bench(const std::string& connect, orva::CDBConnection& conn) {

  orva::bench::Timing window;
  orva::bench::Timing isql;
  long rowsShown = 0;
  qint64 longestStall = 0;
  double longestStallEnd = 0;
  for (int round = 0; round < 2; ++round) {
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

    // The GUI thread's heartbeat: the longest gap between two ticks.
    QElapsedTimer beat;
    qint64 stall = 0;
    double stallEnd = 0;  // seconds into the run
    QTimer heartbeat;
    heartbeat.setInterval(5);
    Clock::time_point start;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
      const qint64 gap = beat.restart();
      if (gap > stall) {
        stall = gap;
        stallEnd = orva::bench::Seconds(start);
      }
    });

    const double cpu = orva::bench::CpuSeconds(RUSAGE_SELF);
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
    if (beat.elapsed() > stall) {
      stall = beat.elapsed();
      stallEnd = orva::bench::Seconds(start);
    }
    const double wall = orva::bench::Seconds(start);
    window.Keep(wall, orva::bench::CpuSeconds(RUSAGE_SELF) - cpu);
    std::printf("  round %d: %.2f s, longest stall %lld ms ending %.2f s in\n", round + 1, wall,
                static_cast<long long>(stall), stallEnd);
    if (stall > longestStall) {
      longestStall = stall;
      longestStallEnd = stallEnd;
    }
    orva::CResultView* results = frame->GetResultView();
    rowsShown = results->GetGridCount() == 1 ? results->GetGrid(0)->GetRowCount() - 1 : -1;
    frame.reset();

    orva::bench::TimeIsql(connect, orva::bench::kBenchQuery, isql);
  }
  std::printf("  query window: %ld rows in the grid: %.2f s wall, %.2f s processor\n", rowsShown, window.wall,
              window.cpu);
  std::printf("  isql -b:      %.2f s wall, %.2f s processor\n", isql.wall, isql.cpu);
  std::printf("  ratio:        %.2f wall (target <= 1.5)\n", window.wall / isql.wall);
  std::printf("  GUI thread:   longest stall %lld ms, ending %.2f s into the run (target <= 100)\n",
              static_cast<long long>(longestStall), longestStallEnd);
  std::printf("  peak memory:  %ld MB resident\n", PeakRssMb());
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  orva::RegisterMessageTypes();
  return orva::bench::RunOnBenchDatabases(argc, argv, Bench);
}
