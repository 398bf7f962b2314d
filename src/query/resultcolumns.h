#pragma once
// Starting widths and alignment of result-grid columns, from the column's size
// and SQL type.

#include "db/recordsetex.h"

namespace orva {

// Width of the row-number column of a result grid.
inline constexpr int kRowNumberColumnWidth = 40;

int ResultColumnWidth(const ColumnInfo& column);

// Whether the column holds numbers (its values are shown right-aligned).
bool IsNumericColumn(const ColumnInfo& column);

}  // namespace orva
