#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <thread>

#include "grid/gridctrl.h"
#include "grid/rowblock.h"
#include "grid/gridtypes.h"
#include "grid/textmeasure.h"
#include "grid_test_util.h"

namespace orva {
namespace {

// Counts the queued calls (refresh requests) delivered to the grid.
class MetaCallCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MetaCall) ++count;
    return false;
  }
};

// Delivers what is queued, and what delivering it queued in turn.
void Drain() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Drains, then lets a worker's refresh that waits for its turn come.
void DrainAndPause() {
  Drain();
  QTest::qWait(250);  // longer than a held worker refresh waits
  Drain();
}

std::string CellText(int row, int col) { return "r" + std::to_string(row) + "c" + std::to_string(col); }

TEST(GridThreads, AWorkerAppendsRowsWhileTheGuiThreadPaintsAndScrolls) {
  constexpr int kRows = 200000;
  constexpr int kColumns = 4;
  test::RecordingOwner owner;
  owner.resize(500, 300);
  auto* grid = new CGridCtrl;
  grid->Create(QRect(0, 0, 500, 300), &owner, 100);
  owner.show();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    // The columns, the rows and the final AutoSize all come from the worker,
    // as the query engine fills a result grid.
    grid->InsertColumn("");
    for (int c = 1; c < kColumns; ++c) grid->InsertColumn("C" + std::to_string(c));
    grid->SetFixedRowCount(1);
    grid->SetFixedColumnCount(1);
    for (int i = 1; i <= kRows; ++i) {
      int row = grid->InsertRow(std::to_string(i));
      for (int c = 1; c < kColumns; ++c) grid->SetItemText(row, c, CellText(row, c));
    }
    grid->AutoSize();
    done = true;
  });

  int loops = 0;
  while (!done) {
    ++loops;
    QApplication::processEvents();
    // Paint, jump to the end, read a cell, move the focus, as a user would.
    grid->viewport()->repaint();
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setValue(loops % 2 ? bar->maximum() : bar->maximum() / 2);
    grid->horizontalScrollBar()->setValue(loops % 3);
    int rows = grid->GetRowCount();
    if (rows > 2) {
      EXPECT_EQ(grid->GetItemText(rows / 2, 0), std::to_string(rows / 2));
      grid->SetFocusCell(rows - 1, 1);
      grid->EnsureVisible(rows - 1, 1);
    }
  }
  worker.join();
  QApplication::processEvents();
  grid->viewport()->repaint();

  ASSERT_EQ(grid->GetRowCount(), kRows + 1);
  ASSERT_EQ(grid->GetColumnCount(), kColumns);
  EXPECT_EQ(grid->GetFixedRowCount(), 1);
  EXPECT_EQ(grid->GetItemText(0, 2), "C2");
  int wrong = 0;
  for (int r = 1; r <= kRows; ++r) {
    wrong += grid->GetItemText(r, 0) != std::to_string(r);
    for (int c = 1; c < kColumns; ++c) wrong += grid->GetItemText(r, c) != CellText(r, c);
  }
  EXPECT_EQ(wrong, 0);
  // AutoSize fitted the widest row label.
  EXPECT_GE(grid->GetColumnWidth(0), QFontMetrics(grid->GetDefaultCell(false, true)->GetFontObject())
                                         .horizontalAdvance(QStringLiteral("200000")));
}

// A worker measures with fonts of its own that equal the GUI thread's.
TEST(GridThreads, TextMeasuredOnAWorkerMatchesTheGuiThread) {
  std::vector<QFont> fonts(4, QApplication::font());
  fonts[1].setPixelSize(21);
  fonts[1].setBold(true);
  fonts[2].setPointSizeF(11.5);
  fonts[2].setItalic(true);
  fonts[3] = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fonts[3].setLetterSpacing(QFont::AbsoluteSpacing, 2);
  const std::string texts[] = {"Hello, grid", "\xD6\xD0\xCE\xC4 and ASCII", "two\nlines\tand a tab"};
  const int formats[] = {DT_SINGLELINE | DT_LEFT, DT_WORDBREAK | DT_EXPANDTABS};
  std::vector<QSize> onGui, onWorker;
  std::vector<QString> workerDescriptions;
  for (const QFont& font : fonts)
    for (const std::string& text : texts)
      for (int format : formats) onGui.push_back(MeasureText(font, text, format));
  std::thread worker([&] {
    for (const QFont& font : fonts) {
      workerDescriptions.push_back(FontForThisThread(font).toString());
      for (const std::string& text : texts)
        for (int format : formats) onWorker.push_back(MeasureText(font, text, format));
    }
  });
  worker.join();
  EXPECT_EQ(onWorker, onGui);
  for (std::size_t i = 0; i < fonts.size(); ++i) EXPECT_EQ(workerDescriptions[i], fonts[i].toString());
  // Really measured: the bigger font (index 6, the same text on one line)
  // gives the bigger size.
  EXPECT_GT(onGui[6].width(), onGui[0].width());
  EXPECT_GT(onGui[6].height(), onGui[0].height());
}

// AutoSize from a worker measures on the worker, a slice of rows at a time,
// while the GUI thread keeps painting; cells with fonts of their own are
// measured there too (they once waited for the GUI thread while holding the
// grid's lock, which the painting GUI thread was waiting for). The sizes are
// those the GUI thread finds for the same cells.
TEST(GridThreads, AutoSizeFromAWorkerMatchesTheGuiThreadWhilePainting) {
  constexpr int kRows = 30000;
  test::RecordingOwner owner;
  owner.resize(600, 300);
  CGridCtrl* grids[2];
  for (CGridCtrl*& grid : grids) {
    grid = new CGridCtrl;
    grid->Create(QRect(0, 0, 300, 300), &owner, 100);
    grid->SetColumnCount(3);
    grid->SetFixedRowCount(1);
    grid->SetFixedColumnCount(1);
    grid->SetRowCount(kRows + 1);
    for (int r = 1; r <= kRows; ++r) {
      grid->SetItemText(r, 0, std::to_string(r));
      grid->SetItemText(r, 1, CellText(r, 1) + (r % 7 == 0 ? "\xD6\xD0\xCE\xC4" : ""));
    }
    QFont big = grid->GetDefaultCell(false, false)->GetFontObject();
    big.setPixelSize(30);
    big.setBold(true);
    grid->SetItemText(kRows / 2, 2, "WIDE \xB1\xED\xB8\xF1");
    grid->SetItemFont(kRows / 2, 2, big);
  }
  grids[1]->move(300, 0);
  owner.show();
  Drain();

  grids[0]->AutoSize();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    grids[1]->AutoSize();
    done = true;
  });
  for (int loops = 0; !done; ++loops) {
    QApplication::processEvents();
    grids[1]->viewport()->repaint();
    grids[1]->verticalScrollBar()->setValue(loops % 2 ? grids[1]->verticalScrollBar()->maximum() : 0);
  }
  worker.join();
  Drain();

  for (int c = 0; c < 3; ++c) EXPECT_EQ(grids[1]->GetColumnWidth(c), grids[0]->GetColumnWidth(c)) << "column " << c;
  int differing = 0;
  for (int r = 0; r <= kRows; ++r) differing += grids[1]->GetRowHeight(r) != grids[0]->GetRowHeight(r);
  EXPECT_EQ(differing, 0);
  // The cell with the big font set its row's height and its column's width.
  EXPECT_GT(grids[1]->GetRowHeight(kRows / 2), grids[1]->GetRowHeight(1));
  EXPECT_GT(grids[1]->GetColumnWidth(2), QFontMetrics(grids[1]->GetDefaultCell(false, false)->GetFontObject())
                                             .horizontalAdvance(QStringLiteral("WIDE XXXX")));
}

TEST(GridThreads, AutoSizeOfAHugeGridFromAWorkerStillFindsTheLongestValues) {
  constexpr int kRows = 150000;
  test::RecordingOwner owner;
  auto* grid = new CGridCtrl;
  grid->Create(QRect(0, 0, 300, 300), &owner, 100);
  grid->SetColumnCount(3);
  grid->SetFixedRowCount(1);
  grid->SetFixedColumnCount(1);
  RowBlock block(3);
  for (int r = 1; r <= kRows; ++r) {
    block.AddCell(std::to_string(r));
    block.AddCell("ab");
    // Far past the rows measured in full, one value is much longer.
    block.AddCell(r == kRows - 7 ? std::string(60, 'M') : std::string(r % 5, 'i'));
  }
  ASSERT_EQ(grid->AppendRows(block), 1);
  ASSERT_EQ(grid->GetRowCount(), kRows + 1);
  EXPECT_EQ(grid->GetItemText(kRows - 7, 2), std::string(60, 'M'));
  EXPECT_EQ(grid->GetItemText(kRows, 0), std::to_string(kRows));
  std::thread worker([&] { grid->AutoSize(); });
  worker.join();
  Drain();
  const QFontMetrics metrics(grid->GetDefaultCell(false, false)->GetFontObject());
  EXPECT_GE(grid->GetColumnWidth(2), metrics.horizontalAdvance(QString(60, QLatin1Char('M'))));
  EXPECT_GE(grid->GetColumnWidth(0), metrics.horizontalAdvance(QString::number(kRows)));
  EXPECT_LT(grid->GetColumnWidth(1), metrics.horizontalAdvance(QString(10, QLatin1Char('M'))));
}

TEST(GridThreads, ChangesFromAWorkerQueueOneRepaintRequestAtATime) {
  test::RecordingOwner owner;
  auto* grid = new CGridCtrl;
  grid->Create(QRect(0, 0, 300, 200), &owner, 100);
  grid->InsertColumn("A");
  grid->InsertColumn("B");
  for (int i = 0; i < 100; ++i) grid->InsertRow("gui");  // the scroll bar is already shown
  owner.show();
  Drain();
  MetaCallCounter counter;
  grid->installEventFilter(&counter);
  // The queued calls one change from a worker causes...
  // (A worker's refreshes come at most every 100 ms: each step waits longer.)
  std::thread one([&] { grid->SetItemText(grid->InsertRow("one"), 1, "x"); });
  one.join();
  DrainAndPause();
  const int forOneChange = counter.count;
  EXPECT_GE(forOneChange, 1);
  // ...are all that ten thousand changes cause while the GUI thread is busy.
  counter.count = 0;
  std::thread worker([&] {
    for (int i = 0; i < 10000; ++i) grid->SetItemText(grid->InsertRow(std::to_string(i)), 1, "x");
  });
  worker.join();
  DrainAndPause();
  EXPECT_EQ(counter.count, forOneChange);
  const int maximum = grid->verticalScrollBar()->maximum();
  EXPECT_GT(maximum, 0);  // the request updated the scroll bars
  // Changes right after a worker's refresh are not lost: their refresh
  // waits for its turn, then comes.
  const auto addRows = [&] {
    std::thread adder([&] {
      for (int i = 0; i < 50; ++i) grid->InsertRow("more");
    });
    adder.join();
  };
  addRows();
  Drain();
  const int afterFirst = grid->verticalScrollBar()->maximum();
  EXPECT_GT(afterFirst, maximum);
  addRows();
  DrainAndPause();
  EXPECT_GT(grid->verticalScrollBar()->maximum(), afterFirst);

  // While painting is off nothing is queued; turning it on repaints.
  grid->SetRedraw(false);
  counter.count = 0;
  std::thread quiet([&] { grid->InsertRow("late"); });
  quiet.join();
  Drain();
  EXPECT_EQ(counter.count, 0);
  grid->SetRedraw(true);
  EXPECT_EQ(grid->GetRowCount(), 10203);
}

}  // namespace
}  // namespace orva
