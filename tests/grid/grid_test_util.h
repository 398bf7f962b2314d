#pragma once
// Shared helpers of the grid tests: an owner window that records the grid's
// notifications and answers them, and a shown grid with some content.

#include <QTest>
#include <QWidget>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "grid/gridctrl.h"

namespace orva::test {

class RecordingOwner : public QWidget, public IGridOwner {
 public:
  std::vector<GridNotify> notes;
  std::map<int, long> answers;  // code -> answer
  std::set<std::pair<int, int>> requestedCells;
  int cellRequests = 0;
  std::function<void(GridNotify&)> onNotify;

  long OnGridNotify(GridNotify& notify) override {
    notes.push_back(notify);
    if (onNotify) onNotify(notify);
    auto it = answers.find(notify.hdr.code);
    return it == answers.end() ? 0 : it->second;
  }
  long OnGridCellInfo(GridCellInfo& info) override {
    if (info.hdr.code == GVN_GETDISPINFO) {
      ++cellRequests;
      requestedCells.insert({info.item.row, info.item.col});
      info.item.text = "v" + std::to_string(info.item.row) + "," + std::to_string(info.item.col);
    }
    return 0;
  }
  int Count(int code) const {
    int n = 0;
    for (const GridNotify& note : notes) n += note.hdr.code == code;
    return n;
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const GridNotify& note : notes) codes.push_back(note.hdr.code);
    return codes;
  }
};

// A grid of `rows` x `cols` (one fixed row and column, cells "r,c", 60 x 20
// pixels) inside a shown owner window.
struct ShownGrid {
  RecordingOwner owner;
  CGridCtrl* grid = nullptr;

  explicit ShownGrid(int rows = 6, int cols = 5) {
    owner.resize(400, 300);
    grid = new CGridCtrl;
    grid->Create(QRect(0, 0, 400, 300), &owner, 100);
    for (int c = 0; c < cols; ++c) grid->InsertColumn("H" + std::to_string(c));
    for (int r = 1; r < rows; ++r) grid->InsertRow(std::to_string(r));
    grid->SetFixedRowCount(1);
    grid->SetFixedColumnCount(1);
    for (int r = 0; r < rows; ++r) grid->SetRowHeight(r, 20);
    for (int c = 0; c < cols; ++c) grid->SetColumnWidth(c, 60);
    for (int r = 1; r < rows; ++r)
      for (int c = 1; c < cols; ++c) grid->SetItemText(r, c, std::to_string(r) + "," + std::to_string(c));
    owner.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&owner));
  }

  QPoint Center(int row, int col) const {
    QRect rect;
    grid->GetCellRect(row, col, rect);
    return rect.center();
  }
  void Click(int row, int col, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, Center(row, col));
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(grid, static_cast<Qt::Key>(key), mods);
  }
};

}  // namespace orva::test
