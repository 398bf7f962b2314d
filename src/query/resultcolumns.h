#pragma once
// Starting widths of result-grid columns, from the column's size and SQL type.

#include "db/recordsetex.h"

namespace orva {

// Width of the row-number column of a result grid.
inline constexpr int kRowNumberColumnWidth = 40;

int ResultColumnWidth(const ColumnInfo& column);

}  // namespace orva
