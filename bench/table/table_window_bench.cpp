// Opens the table "bench" (1,000,000 rows x 10 columns) in a table window on
// the offscreen platform, from the first display to the new-record row, and
// times a query window running "SELECT * FROM bench" in the same process as
// the baseline. Reports the longest time the GUI thread went without
// processing events during each, and the peak resident memory.
//
// Usage: table_window_bench [rows [sqlite|postgresql]]   (default 1000000, both)

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "benchtable.h"
#include "db/dbconnection.h"
#include "db/tablerecordset.h"
#include "grid/gridctrl.h"
#include "platform/messages.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/resultview.h"
#include "table/singleviewframe.h"
#include "table/tableview.h"

namespace {

using orva::bench::Clock;

struct Run {
  double wall = 0;
  double cpu = 0;
  qint64 stall = 0;  // longest gap of the GUI thread, ms
  double stallEnd = 0;  // when it ended, seconds into the run
};

// Starts the work, then runs the event loop as a real one does (sleeping until
// something happens; a 5 ms heartbeat measures the gaps) until it is done.
Run TimeOnGuiThread(const std::function<void()>& start, const std::function<bool()>& running) {
  Run run;
  QElapsedTimer beat;
  QTimer heartbeat;
  heartbeat.setInterval(5);
  const double cpu = orva::bench::CpuSeconds(RUSAGE_SELF);
  const Clock::time_point begin = Clock::now();
  auto gap = [&](qint64 ms) {
    if (ms <= run.stall) return;
    run.stall = ms;
    run.stallEnd = orva::bench::Seconds(begin);
  };
  QObject::connect(&heartbeat, &QTimer::timeout, [&] { gap(beat.restart()); });
  beat.start();
  heartbeat.start();
  start();
  while (running()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  heartbeat.stop();
  gap(beat.elapsed());
  run.wall = orva::bench::Seconds(begin);
  run.cpu = orva::bench::CpuSeconds(RUSAGE_SELF) - cpu;
  return run;
}

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

void Bench(const std::string&, orva::CDBConnection& conn) {
  orva::bench::Timing table, query;
  qint64 tableStall = 0, queryStall = 0;
  long tableRows = 0, queryRows = 0;
  for (int round = 0; round < 2; ++round) {
    {
      auto frame = std::make_unique<orva::CSingleViewFrame>();
      frame->SetTarget(&conn, "bench", 4);
      frame->resize(1000, 700);
      frame->show();
      QApplication::processEvents();
      orva::CTableView* view = frame->GetTablePane();
      Run run = TimeOnGuiThread([&] { frame->OnInitialUpdate(); }, [&] { return view->IsLoading(); });
      table.Keep(run.wall, run.cpu);
      tableStall = std::max(tableStall, run.stall);
      tableRows = view->Recordset() ? view->Recordset()->GetRecordCount() : -1;
      std::printf("  round %d: table window %.2f s, longest stall %lld ms ending %.2f s in\n", round + 1, run.wall,
                  static_cast<long long>(run.stall), run.stallEnd);
    }
    {
      auto document = std::make_unique<orva::CQueryDoc>();
      document->OnNewDocument();
      auto frame = std::make_unique<orva::CChildFrame>();
      auto* editor = new orva::CQueryView(document.get());
      frame->SetQueryView(editor);
      frame->SetDocument(std::move(document));
      frame->SetConnection(&conn);
      editor->OnInitialUpdate();
      frame->resize(1000, 700);
      frame->show();
      editor->InsertText("SELECT * FROM bench");
      QApplication::processEvents();
      Run run = TimeOnGuiThread([&] { frame->OnCommand(orva::ID_QUERY_RUN); }, [&] { return frame->IsRunning(); });
      query.Keep(run.wall, run.cpu);
      queryStall = std::max(queryStall, run.stall);
      orva::CResultView* results = frame->GetResultView();
      queryRows = results->GetGridCount() == 1 ? results->GetGrid(0)->GetRowCount() - 1 : -1;
      std::printf("  round %d: query window %.2f s, longest stall %lld ms ending %.2f s in\n", round + 1, run.wall,
                  static_cast<long long>(run.stall), run.stallEnd);
    }
  }
  std::printf("  table window: %ld rows: %.2f s wall, %.2f s processor, longest stall %lld ms\n", tableRows,
              table.wall, table.cpu, static_cast<long long>(tableStall));
  std::printf("  query window: %ld rows: %.2f s wall, %.2f s processor, longest stall %lld ms\n", queryRows,
              query.wall, query.cpu, static_cast<long long>(queryStall));
  std::printf("  ratio:        %.2f wall (target <= 1.2)\n", table.wall / query.wall);
  std::printf("  table window longest stall: %lld ms (target <= 100 ms): %s\n", static_cast<long long>(tableStall),
              tableStall <= 100 ? "met" : "MISSED");
  std::printf("  peak memory:  %ld MB resident\n", PeakRssMb());
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  orva::RegisterMessageTypes();
  return orva::bench::RunOnBenchDatabases(argc, argv, Bench);
}
