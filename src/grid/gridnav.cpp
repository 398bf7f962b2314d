#include "grid/gridnav.h"

#include <algorithm>

#include "grid/gridstore.h"

namespace orva {

int NextVisibleRow(const GridStore& store, int from, int step) {
  for (int r = from + step; r >= store.FixedRowCount() && r < store.RowCount(); r += step)
    if (store.Rows().Size(r) > 0) return r;
  return -1;
}

int NextVisibleColumn(const GridStore& store, int from, int step) {
  for (int c = from + step; c >= store.FixedColumnCount() && c < store.ColumnCount(); c += step)
    if (store.Columns().Size(c) > 0) return c;
  return -1;
}

NavMove MoveFocus(const GridStore& store, CellId focus, NavKey key, bool ctrl, int pageRows) {
  NavMove move{focus, false};
  const int firstRow = NextVisibleRow(store, store.FixedRowCount() - 1, 1);
  const int firstCol = NextVisibleColumn(store, store.FixedColumnCount() - 1, 1);
  const int lastRow = NextVisibleRow(store, store.RowCount(), -1);
  const int lastCol = NextVisibleColumn(store, store.ColumnCount(), -1);
  if (firstRow < 0 || firstCol < 0) return move;
  if (!focus.IsValid()) {
    move.cell = {firstRow, firstCol};
    return move;
  }
  CellId& cell = move.cell;
  auto stepRow = [&](int step) {
    if (int r = NextVisibleRow(store, cell.row, step); r >= 0) cell.row = r;
  };
  auto stepCol = [&](int step) {
    if (int c = NextVisibleColumn(store, cell.col, step); c >= 0) cell.col = c;
  };
  switch (key) {
    case NavKey::Up: stepRow(-1); break;
    case NavKey::Down: stepRow(1); break;
    case NavKey::Left: stepCol(-1); break;
    case NavKey::Right: stepCol(1); break;
    case NavKey::PageUp:
    case NavKey::PageDown: {
      int step = key == NavKey::PageDown ? 1 : -1;
      for (int i = 0; i < std::max(pageRows, 1); ++i) {
        int r = NextVisibleRow(store, cell.row, step);
        if (r < 0) break;
        cell.row = r;
      }
      break;
    }
    case NavKey::Home:
      cell.col = firstCol;
      if (ctrl) cell.row = firstRow;
      break;
    case NavKey::End:
      cell.col = lastCol;
      if (ctrl) cell.row = lastRow;
      break;
    case NavKey::Tab:
      if (int c = NextVisibleColumn(store, cell.col, 1); c >= 0) {
        cell.col = c;
      } else if (int r = NextVisibleRow(store, cell.row, 1); r >= 0) {
        cell = {r, firstCol};
      } else {
        move.leave = true;
      }
      break;
    case NavKey::BackTab:
      if (int c = NextVisibleColumn(store, cell.col, -1); c >= 0) {
        cell.col = c;
      } else if (int r = NextVisibleRow(store, cell.row, -1); r >= 0) {
        cell = {r, lastCol};
      } else {
        move.leave = true;
      }
      break;
  }
  // A focus that started inside the fixed area is brought out of it.
  cell.row = std::max(cell.row, firstRow);
  cell.col = std::max(cell.col, firstCol);
  return move;
}

}  // namespace orva
