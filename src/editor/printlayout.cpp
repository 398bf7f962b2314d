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

std::vector<int> PaginateLines(int lineCount, const std::function<int(int)>& lineHeightOf, const PrintLayout& layout) {
  std::vector<int> pages;
  pages.reserve(kPageListStep);
  pages.push_back(0);
  int y = layout.textTop;
  for (int line = 0; line < lineCount; ++line) {
    const int height = std::max(1, lineHeightOf(line));
    if (y + height > layout.textBottom && y > layout.textTop) {
      if (pages.size() == pages.capacity()) pages.reserve(pages.size() + kPageListStep);
      pages.push_back(line);
      y = layout.textTop;
    }
    y += height;
  }
  return pages;
}

}  // namespace orva
