#include "editor/printlayout.h"

#include <algorithm>

#include "platform/profile.h"

namespace orva {

namespace {
constexpr const char* kSection = "PageSetup";
constexpr int kPageListStep = 32;
}  // namespace

PageMargins LoadPageMargins() {
  PageMargins margins;
  margins.left = GetProfileNumber(kSection, "LeftMargin", 1000);
  margins.right = GetProfileNumber(kSection, "RightMargin", 1000);
  margins.top = GetProfileNumber(kSection, "TopMargin", 1000);
  margins.bottom = GetProfileNumber(kSection, "BottomMargin", 1000);
  return margins;
}

void SavePageMargins(const PageMargins& margins) {
  WriteProfileNumber(kSection, "LeftMargin", margins.left);
  WriteProfileNumber(kSection, "RightMargin", margins.right);
  WriteProfileNumber(kSection, "TopMargin", margins.top);
  WriteProfileNumber(kSection, "BottomMargin", margins.bottom);
}

int MarginToDevice(int hundredthsMm, int dotsPerInch) {
  return static_cast<int>(static_cast<long long>(hundredthsMm) * dotsPerInch / 2540);
}

PrintLayout ComputePrintLayout(int pageWidth, int pageHeight, int marginLeft, int marginTop, int marginRight,
                               int marginBottom, int lineHeight, bool header, bool footer) {
  PrintLayout layout;
  layout.lineHeight = std::max(1, lineHeight);
  layout.left = marginLeft;
  layout.top = marginTop;
  layout.right = std::max(layout.left + 1, pageWidth - marginRight);
  layout.bottom = std::max(layout.top + 1, pageHeight - marginBottom);
  layout.textTop = layout.top + (header ? layout.BandHeight() : 0);
  layout.textBottom = layout.bottom - (footer ? layout.BandHeight() : 0);
  // Margins too large for the page still leave room for one line.
  layout.textBottom = std::max(layout.textBottom, layout.textTop + layout.lineHeight);
  return layout;
}

int RowsPerPage(const PrintLayout& layout) {
  return std::max(1, (layout.textBottom - layout.textTop) / std::max(1, layout.lineHeight));
}

std::vector<PageStart> PaginateLines(int lineCount, const std::function<int(int)>& rowsOf, const PrintLayout& layout) {
  std::vector<PageStart> pages;
  pages.reserve(kPageListStep);
  pages.push_back({0, 0});
  const auto newPage = [&](int line, int row) {
    if (pages.size() == pages.capacity()) pages.reserve(pages.size() + kPageListStep);
    pages.push_back({line, row});
  };
  const int perPage = RowsPerPage(layout);
  int used = 0;  // rows already on the current page
  for (int line = 0; line < lineCount; ++line) {
    const int rows = std::max(1, rowsOf(line));
    if (used > 0 && used + rows > perPage) {
      newPage(line, 0);
      used = 0;
    }
    // A line taller than a page fills whole pages and goes on on the next.
    int row = 0;
    while (rows - row > perPage - used) {
      row += perPage - used;
      newPage(line, row);
      used = 0;
    }
    used += rows - row;
  }
  return pages;
}

}  // namespace orva
