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
  // Lines of one to three rows, as wrapped long lines would be.
  std::vector<int> rows;
  for (int i = 0; i < 500; ++i) rows.push_back(1 + i % 3);
  const std::vector<PageStart> pages =
      PaginateLines(static_cast<int>(rows.size()), [&](int line) { return rows[line]; }, layout);
  ASSERT_GT(pages.size(), 1u);
  EXPECT_EQ(pages.front(), (PageStart{0, 0}));
  for (std::size_t p = 0; p < pages.size(); ++p) {
    EXPECT_EQ(pages[p].row, 0);  // no line here is taller than a page
    const int end = p + 1 < pages.size() ? pages[p + 1].line : static_cast<int>(rows.size());
    int y = layout.textTop;
    for (int line = pages[p].line; line < end; ++line) y += rows[line] * layout.lineHeight;
    EXPECT_LE(y, layout.bottom - 15) << "page " << p + 1;
    // The page is full: the next line would not have fitted.
    if (end < static_cast<int>(rows.size())) {
      EXPECT_GT(y + rows[end] * layout.lineHeight, layout.textBottom);
    }
  }
}

TEST(PrintLayoutTest, ALineTallerThanAPageContinuesOnTheNextPages) {
  const PrintLayout layout = ComputePrintLayout(100, 100, 0, 0, 0, 0, 10, false, false);
  ASSERT_EQ(RowsPerPage(layout), 10);
  // 3 rows, then 25 rows: a page of its own, two full pages, then its last 5
  // rows with the one-row line after them.
  const std::vector<PageStart> pages = PaginateLines(3, [](int line) { return line == 1 ? 25 : (line ? 1 : 3); }, layout);
  EXPECT_EQ(pages, (std::vector<PageStart>{{0, 0}, {1, 0}, {1, 10}, {1, 20}}));
  // Exactly a page: nothing continues.
  EXPECT_EQ(PaginateLines(2, [](int line) { return line ? 1 : 10; }, layout),
            (std::vector<PageStart>{{0, 0}, {1, 0}}));
  EXPECT_EQ(PaginateLines(0, [](int) { return 1; }, layout), (std::vector<PageStart>{{0, 0}}));
}

}  // namespace
}  // namespace orva
