// Expands a tables folder of 50,000 tables in the object browser on the
// offscreen platform and times it from the expansion to the last node, with
// the longest time the GUI thread went without processing events. The
// baseline is the bare catalog read (the same rows fetched, no tree). Also
// times the structure grid of a table of 1,000 columns.
//
// Usage: browser_bench [tables [sqlite|postgresql]]   (default 50000, both)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "benchtable.h"
#include "browser/folderfill.h"
#include "browser/schemaview.h"
#include "browser/structuregrid.h"
#include "db/catalog.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/messagebox.h"
#include "platform/messages.h"

namespace {

using orva::bench::Clock;
constexpr int kStructureColumns = 1000;

long CountTables(orva::CDBConnection& conn) {
  orva::CTableCatalog catalog(conn.GetDatabase());
  long count = 0;
  if (!catalog.Open(std::nullopt, std::nullopt, std::nullopt, "TABLE")) return 0;
  for (; !catalog.IsEOF(); catalog.MoveNext()) ++count;
  return count;
}

// Creates tables t1..tN (in batches, each its own transaction) until the
// catalog lists at least `tables`, and the wide table.
bool Prepare(orva::CDBConnection& conn, long tables, bool pg) {
  try {
    // PostgreSQL: the tables live in a schema of their own, the connection's current one.
    if (pg) {
      conn.Execute("CREATE SCHEMA IF NOT EXISTS browser_bench");
      conn.Execute("SET search_path TO browser_bench");
    }
    const long have = CountTables(conn);
    if (have < tables) {
      std::printf("  creating %ld tables...\n", tables - have);
      const long batch = 2000;
      for (long first = have + 1; first <= tables; first += batch) {
        const long last = std::min(tables, first + batch - 1);
        if (pg) {
          conn.Execute("DO $$ BEGIN FOR i IN " + std::to_string(first) + ".." + std::to_string(last) +
                       " LOOP EXECUTE format('CREATE TABLE IF NOT EXISTS many_%s (id int)', i); END LOOP; END $$");
        } else {
          std::string sql = "BEGIN;";
          for (long i = first; i <= last; ++i) sql += "CREATE TABLE IF NOT EXISTS many_" + std::to_string(i) + " (id int);";
          sql += "COMMIT;";
          conn.Execute(sql);
        }
      }
    }
    std::string wide = "CREATE TABLE IF NOT EXISTS wide (";
    for (int i = 1; i <= kStructureColumns; ++i)
      wide += (i > 1 ? ", c" : "c") + std::to_string(i) + (i % 3 == 0 ? " VARCHAR(40)" : i % 3 == 1 ? " INTEGER" : " DECIMAL(10,2)");
    conn.Execute(wide + ", PRIMARY KEY (c1))");
  } catch (const orva::CDBException& error) {
    std::printf("  cannot prepare: %s\n", error.m_strError.c_str());
    return false;
  }
  return true;
}

void Bench(orva::CDBConnection& conn) {
  double bestFill = 1e9, bestBaseline = 1e9, bestStructure = 1e9;
  qint64 longestStall = 0;
  int nodes = 0;
  for (int round = 0; round < 3; ++round) {
    // Baseline: the catalog rows read, nothing shown.
    std::atomic<bool> stop{false};
    long rows = 0;
    Clock::time_point start = Clock::now();
    orva::ReadFolderRows(conn, orva::NodeTableFolder, stop, [&](std::vector<orva::FolderRow>&& batch) {
      rows += static_cast<long>(batch.size());
    });
    bestBaseline = std::min(bestBaseline, orva::bench::Seconds(start));

    orva::CSchemaView view;
    view.resize(300, 800);
    view.show();
    view.AddConnection(&conn, "bench");
    QApplication::processEvents();
    QTreeWidgetItem* tables = view.topLevelItem(0)->child(0);

    QElapsedTimer beat;
    qint64 stall = 0;
    double stallEnd = 0;  // seconds into the fill
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
      const qint64 gap = beat.restart();
      if (gap > stall) {
        stall = gap;
        stallEnd = orva::bench::Seconds(start);
      }
    });
    start = Clock::now();
    beat.start();
    heartbeat.start();
    tables->setExpanded(true);
    while (view.IsFilling()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (beat.elapsed() > stall) {
      stall = beat.elapsed();
      stallEnd = orva::bench::Seconds(start);
    }
    heartbeat.stop();
    const double fill = orva::bench::Seconds(start);
    nodes = tables->childCount();
    std::printf("  round %d: %d nodes in %.3f s (catalog alone %.3f s, %ld rows), longest stall %lld ms ending %.3f s in\n",
                round + 1, nodes, fill, bestBaseline, rows, static_cast<long long>(stall), stallEnd);
    bestFill = std::min(bestFill, fill);
    longestStall = std::max(longestStall, stall);

    // The structure of the wide table in a grid.
    orva::CGridCtrl grid;
    grid.Create(QRect(0, 0, 800, 600), nullptr, 1);
    start = Clock::now();
    orva::FillStructureGrid(grid, conn, orva::ObjectRef{"", "", "wide"});
    bestStructure = std::min(bestStructure, orva::bench::Seconds(start));
    if (grid.GetRowCount() != kStructureColumns + 1) std::printf("  structure rows: %d\n", grid.GetRowCount());
  }
  std::printf("  tables folder: %d nodes in %.3f s (target < 1 s); catalog alone %.3f s; ratio %.2f\n", nodes,
              bestFill, bestBaseline, bestFill / bestBaseline);
  std::printf("  GUI thread:    longest stall %lld ms (target <= 100)\n", static_cast<long long>(longestStall));
  std::printf("  structure:     %d columns in %.3f s (target < 0.2 s)\n", kStructureColumns, bestStructure);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  orva::RegisterMessageTypes();
  orva::test::RegisterTestDrivers();
  orva::SetMessageBoxHook([](const orva::MessageBoxRequest& box) {
    std::fprintf(stderr, "%s\n", box.text.toLocal8Bit().constData());
    return static_cast<int>(orva::IDNO);
  });
  const long tables = argc > 1 ? std::atol(argv[1]) : 50000;
  const std::string only = argc > 2 ? argv[2] : "";
  auto run = [&](const char* label, const std::string& connect, bool pg) {
    std::printf("%s\n", label);
    orva::CDBConnection conn;
    if (!conn.Open(connect)) {
      std::printf("  cannot connect\n");
      return;
    }
    if (Prepare(conn, tables, pg)) Bench(conn);
  };
  if (only.empty() || only == "sqlite") {
    std::string file = orva::bench::BenchSqliteFile();
    file.replace(file.rfind('/'), std::string::npos, "/browser.sqlite");
    run("SQLite", orva::test::SqliteConnectString(file), false);
  }
  if (only.empty() || only == "postgresql") {
    if (orva::test::PostgresConfigured())
      run("PostgreSQL", orva::test::PostgresConnectString(), true);
    else
      std::printf("PostgreSQL: skipped (ORVA_PG_* not set)\n");
  }
  return 0;
}
