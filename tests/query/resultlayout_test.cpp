#include <gtest/gtest.h>

#include <cstdlib>

#include "query/resultlayout.h"

namespace orva {
namespace {

TEST(ResultPaneLayout, OneGridFillsTheUpperAreaWithoutBars) {
  ResultPaneLayout layout = ComputeResultPaneLayout(600, 425, 1);
  EXPECT_EQ(layout.tabs, QRect(0, 400, 600, 25));
  EXPECT_EQ(layout.messages, QRect(0, 0, 600, 400));
  ASSERT_EQ(layout.grids.size(), 1u);
  EXPECT_EQ(layout.grids[0], QRect(0, 0, 600, 400));
  EXPECT_TRUE(layout.bars.empty());
}

TEST(ResultPaneLayout, ThreeGridsOfEqualHeightWithBarsAtThirds) {
  ResultPaneLayout layout = ComputeResultPaneLayout(300, 325, 3);  // upper area 300, slices of 100
  ASSERT_EQ(layout.grids.size(), 3u);
  ASSERT_EQ(layout.bars.size(), 2u);
  EXPECT_EQ(layout.grids[0], QRect(0, 0, 300, 98));
  EXPECT_EQ(layout.grids[1], QRect(0, 102, 300, 96));
  EXPECT_EQ(layout.grids[2], QRect(0, 202, 300, 98));
  EXPECT_EQ(layout.bars[0], QRect(0, 98, 300, 4));
  EXPECT_EQ(layout.bars[1], QRect(0, 198, 300, 4));
  // Grids and bars tile the upper area without gaps or overlaps.
  EXPECT_EQ(layout.grids[0].bottom() + 1, layout.bars[0].top());
  EXPECT_EQ(layout.bars[0].bottom() + 1, layout.grids[1].top());
  EXPECT_EQ(layout.grids[2].bottom() + 1, layout.tabs.top());
}

TEST(ResultPaneLayout, TinyPanesNeverGiveNegativeSizes) {
  ResultPaneLayout layout = ComputeResultPaneLayout(0, 10, 4);
  for (const QRect& grid : layout.grids) EXPECT_GE(grid.height(), 0);
  EXPECT_EQ(layout.messages.height(), 0);
}

TEST(MessageEntry, TimedOrIndented) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::time_t nineOhFive = 9 * 3600 + 5 * 60 + 3;  // 1970-01-01 09:05:03 UTC
  EXPECT_EQ(FormatMessageEntry("x", false, nineOhFive), "\r\n09:05:03 x\r\n");
  EXPECT_EQ(FormatMessageEntry("\xD6\xD0", true, nineOhFive), "\r\n    \xD6\xD0\r\n");
  EXPECT_EQ(FormatMessageEntry("", false, 23 * 3600), "\r\n23:00:00 \r\n");
}

}  // namespace
}  // namespace orva
