// Print layout: margins, header and footer bands and pagination.

#include <gtest/gtest.h>

#include <vector>

#include "editor/printlayout.h"
#include "platform/profile.h"

namespace orva {
namespace {

TEST(PrintLayoutTest, BandsTakeOneAndAHalfLineHeights) {
  const PrintLayout both = ComputePrintLayout(1000, 2000, 50, 60, 70, 80, 20, true, true);
  EXPECT_EQ(both.left, 50);
  EXPECT_EQ(both.right, 930);
  EXPECT_EQ(both.top, 60);
  EXPECT_EQ(both.bottom, 1920);
  EXPECT_EQ(both.textTop, 90);
  EXPECT_EQ(both.textBottom, 1890);

  const PrintLayout footerOnly = ComputePrintLayout(1000, 2000, 50, 60, 70, 80, 21, false, true);
  EXPECT_EQ(footerOnly.textTop, 60);
  EXPECT_GE(footerOnly.bottom - footerOnly.textBottom, 21 * 3 / 2.0);
}

TEST(PrintLayoutTest, MarginsConvertFromHundredthsOfAMillimetre) {
  EXPECT_EQ(MarginToDevice(2540, 600), 600);
  EXPECT_EQ(MarginToDevice(1000, 1200), 472);
}

TEST(PrintLayoutTest, PageSetupMarginsAreRemembered) {
  EXPECT_EQ(LoadPageMargins().left, 1000);
  EXPECT_EQ(LoadPageMargins().bottom, 1000);
  SavePageMargins({500, 600, 700, 800});
  const PageMargins margins = LoadPageMargins();
  EXPECT_EQ(margins.left, 500);
  EXPECT_EQ(margins.top, 600);
  EXPECT_EQ(margins.right, 700);
  EXPECT_EQ(margins.bottom, 800);
  EXPECT_EQ(GetProfileNumber("PageSetup", "RightMargin", 0), 700);
}

TEST(PrintLayoutTest, EveryLineEndsAboveTheFooterBand) {
  const PrintLayout layout = ComputePrintLayout(1000, 1000, 100, 100, 100, 100, 10, false, true);
  // Lines of one to three line heights, as wrapped long lines would be.
  std::vector<int> heights;
  for (int i = 0; i < 500; ++i) heights.push_back(10 * (1 + i % 3));
  const std::vector<int> pages =
      PaginateLines(static_cast<int>(heights.size()), [&](int line) { return heights[line]; }, layout);
  ASSERT_GT(pages.size(), 1u);
  EXPECT_EQ(pages.front(), 0);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const int end = p + 1 < pages.size() ? pages[p + 1] : static_cast<int>(heights.size());
    int y = layout.textTop;
    for (int line = pages[p]; line < end; ++line) y += heights[line];
    EXPECT_LE(y, layout.bottom - 15) << "page " << p + 1;
    // The page is full: the next line would not have fitted.
    if (end < static_cast<int>(heights.size())) {
      EXPECT_GT(y + heights[end], layout.textBottom);
    }
  }
}

TEST(PrintLayoutTest, ALineTallerThanAPageStillGetsAPage) {
  const PrintLayout layout = ComputePrintLayout(100, 100, 0, 0, 0, 0, 10, false, false);
  const std::vector<int> pages = PaginateLines(3, [](int line) { return line == 1 ? 500 : 10; }, layout);
  EXPECT_EQ(pages, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(PaginateLines(0, [](int) { return 10; }, layout), (std::vector<int>{0}));
}

}  // namespace
}  // namespace orva
