#pragma once
// Where the focus cell goes for a navigation key. Hidden (size 0) rows and
// columns are skipped and the focus stays out of the fixed rows and columns.

#include "grid/gridtypes.h"

namespace orva {

class GridStore;

enum class NavKey { Up, Down, Left, Right, PageUp, PageDown, Home, End, Tab, BackTab };

struct NavMove {
  CellId cell;         // the new focus cell (unchanged when no move is possible)
  bool leave = false;  // Tab past the last cell or Shift+Tab before the first: focus leaves the grid
};

// `pageRows` is the number of rows a page scrolls; `ctrl` extends Home/End to
// the first/last row.
NavMove MoveFocus(const GridStore& store, CellId focus, NavKey key, bool ctrl, int pageRows);

// The next visible non-fixed row (column) from `from` in direction `step`
// (+1/-1), or -1 when there is none.
int NextVisibleRow(const GridStore& store, int from, int step);
int NextVisibleColumn(const GridStore& store, int from, int step);

}  // namespace orva
