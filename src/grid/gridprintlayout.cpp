#include "grid/gridprintlayout.h"

namespace orva {

std::vector<PrintPageRows> PaginateRows(const std::vector<int>& heights, int firstRow, int pageHeight) {
  std::vector<PrintPageRows> pages;
  const int count = static_cast<int>(heights.size());
  int start = firstRow;
  long long used = 0;
  for (int r = firstRow; r < count; ++r) {
    const int height = heights[static_cast<std::size_t>(r)];
    if (used > 0 && used + height > pageHeight) {
      pages.push_back({start, r - 1});
      start = r;
      used = 0;
    }
    used += height;
  }
  if (start < count) pages.push_back({start, count - 1});
  return pages;
}

}  // namespace orva
