#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <atomic>
#include <thread>

#include "grid/gridctrl.h"
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
  std::thread one([&] { grid->SetItemText(grid->InsertRow("one"), 1, "x"); });
  one.join();
  Drain();
  const int forOneChange = counter.count;
  EXPECT_GE(forOneChange, 1);
  // ...are all that ten thousand changes cause while the GUI thread is busy.
  counter.count = 0;
  std::thread worker([&] {
    for (int i = 0; i < 10000; ++i) grid->SetItemText(grid->InsertRow(std::to_string(i)), 1, "x");
  });
  worker.join();
  Drain();
  EXPECT_EQ(counter.count, forOneChange);
  EXPECT_EQ(grid->verticalScrollBar()->maximum() > 0, true);  // the request updated the scroll bars

  // While painting is off nothing is queued; turning it on repaints.
  grid->SetRedraw(false);
  counter.count = 0;
  std::thread quiet([&] { grid->InsertRow("late"); });
  quiet.join();
  Drain();
  EXPECT_EQ(counter.count, 0);
  grid->SetRedraw(true);
  EXPECT_EQ(grid->GetRowCount(), 10103);
}

}  // namespace
}  // namespace orva
