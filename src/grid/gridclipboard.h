#pragma once
// The text the grid puts on the clipboard and reads back from it (GBK; the
// grid converts to and from the clipboard's Unicode text).

#include <string>
#include <string_view>
#include <vector>

#include "grid/gridtypes.h"

namespace orva {

class GridStore;

// Walks `range`, skipping hidden rows and columns: each selected cell gives its
// text, any other cell an empty field; fields are separated by TAB and rows by
// CR LF (none after the last row).
std::string BuildCopyText(const GridStore& store, CellRange range);

// Splits clipboard text into lines at CR LF (a lone LF also ends a line) and
// each line into fields at TAB or comma; fields are trimmed of surrounding
// white space. A line break at the very end adds no empty line.
std::vector<std::vector<std::string>> ParsePasteText(std::string_view text);

}  // namespace orva
